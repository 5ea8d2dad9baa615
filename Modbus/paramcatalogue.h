#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// Which mirror record shows a parameter after the next read of its group.
enum class MirrorRecord { None, Basic, Cal, App, Com, ComAnalog, SysPara, Dig };

// How a page turns the shown text into the register value and back.
enum class ParamKind {
    Plain,    // written as typed, shown as an unsigned integer
    Signed,   // written as typed, shown as a signed integer
    Weight,   // scaled by the decimal setting
    Factor,   // multiplied by a fixed power of ten (factorDigits)
    Division, // combo box whose item text carries the value ("d = 20")
    Index,    // combo box: the item index is the value
    Command,  // push button that starts an action in the instrument
    Display,  // shown only
};

// How the parameter files treat a parameter.
enum class ParamAccess {
    ReadWrite, // exported and imported
    WriteOnly, // imported; exported from its read-back register
    ReadOnly,  // shown only: never written by an import
    Command,   // starts an action: never in a file, never written by an import
};

// One bound parameter: the single source of the write tables and page field lists.
struct ParamRow
{
    int page; // 1 basic, 2 calibration, 3 application, 4 data, 5 test, 6 digital
    int tab;  // application tab selector 6, 7 or 8; 0 elsewhere
    const char *widget;
    quint16 address;
    quint8 count;
    MirrorRecord mirror;
    int slot; // slot (or analog value index) in the mirror record, -1 for none
    ParamKind kind;
    int factorDigits; // Factor: the power of ten

    // What the parameter files need (filled for every row from one table).
    ParamAccess access = ParamAccess::ReadWrite;
    const char *nameEn = nullptr;
    const char *nameCn = nullptr;
    qint64 rawMin = 0; // raw register limits, independent of the decimal setting
    qint64 rawMax = 0;
    const char *noteEn = nullptr; // unit or note
    const char *noteCn = nullptr;
    quint16 readBack = 0; // WriteOnly: the register that reads the value back
};

const QVector<ParamRow> &ParameterCatalogue();

struct RegisterPair
{
    quint16 address;
    quint8 count;
};

// The write table of a page (and, for page 3, of a tab selector), in table order.
QStringList PageWidgetNames(int page, int tab);
QVector<RegisterPair> PageRegisterTable(int page, int tab);

// The row a widget writes on the page on screen, or null: a name that belongs
// to another page's table is not found while that page is not shown.
const ParamRow *FindWriteRow(quint32 page, quint32 appSubPage, const QString &objectName);

// The mirror value that shows the parameter, 0 for rows without a mirror slot.
quint32 MirrorValue(const ParamRow &row);

// The catalogue row of the parameter at this register address, or null.
const ParamRow *FindParamByAddress(int address);

// The parameters of the spreadsheet templates, in file order: every read-write
// parameter in catalogue order, then the write-only ones (the remote-edit
// switches), so that an import never locks itself out half-way.
QVector<const ParamRow *> FileParameters();
