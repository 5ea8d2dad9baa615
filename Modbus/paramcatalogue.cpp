#include "paramcatalogue.h"

#include "devicemodel.h"

#include <QByteArray>
#include <QList>

void ApplyFileTexts(QVector<ParamRow> &rows); // paramfiletexts.cpp

namespace {

using M = MirrorRecord;
using K = ParamKind;

// Names made by number ("EditAngleDif1" ...) live as long as the catalogue.
const char *keptName(const QByteArray &name)
{
    static QList<QByteArray> names;
    names.append(name);
    return names.constLast().constData();
}

// Every parameter the pages write, page by page in write-table order.
QVector<ParamRow> buildCatalogue()
{
    QVector<ParamRow> rows = {
        // Basic configuration
        {1, 0, "EditPWROnzero", 50, 2, M::Basic, 0, K::Plain, 0},
        {1, 0, "EditTrZeroRange", 52, 2, M::Basic, 1, K::Plain, 0},
        {1, 0, "EditZeroRange", 54, 2, M::Basic, 2, K::Plain, 0},
        {1, 0, "EditSTABRange", 56, 2, M::Basic, 3, K::Plain, 0},
        {1, 0, "EditDigit_Filter", 58, 2, M::Basic, 4, K::Plain, 0},
        {1, 0, "EditAdv_Filter", 60, 2, M::Basic, 5, K::Plain, 0},
        {1, 0, "cBoxSampleRate", 62, 2, M::Basic, 6, K::Index, 0},
        {1, 0, "cBoxTareRecord", 64, 2, M::Basic, 7, K::Index, 0},
        {1, 0, "EditTrZeroTime", 66, 2, M::Basic, 8, K::Plain, 0},
        {1, 0, "EditSTABTime", 68, 2, M::Basic, 9, K::Plain, 0},
        {1, 0, "EditRZeroThr", 70, 2, M::Basic, 10, K::Weight, 0},
        {1, 0, "EditRZeroTime", 72, 2, M::Basic, 11, K::Plain, 0},
        {1, 0, "cBoxRZeroSW", 74, 2, M::Basic, 12, K::Index, 0},
        // Weight and calibration
        {2, 0, "cBoxUnit", 100, 2, M::Cal, 0, K::Index, 0},
        {2, 0, "cBoxDecimal", 102, 2, M::Cal, 1, K::Index, 0},
        {2, 0, "cBoxDivision", 104, 2, M::Cal, 2, K::Division, 0},
        {2, 0, "EditFullScale", 106, 2, M::Cal, 3, K::Weight, 0},
        {2, 0, "BtnAutoZero", 108, 2, M::Cal, 4, K::Command, 0},
        {2, 0, "EditManualZero", 110, 2, M::Cal, 5, K::Factor, 4},
        {2, 0, "EditWeightCp1", 112, 2, M::Cal, 6, K::Weight, 0},
        {2, 0, "EditWeightCp2", 114, 2, M::Cal, 7, K::Weight, 0},
        {2, 0, "EditWeightCp3", 116, 2, M::Cal, 8, K::Weight, 0},
        {2, 0, "EditWeightCp4", 118, 2, M::Cal, 9, K::Weight, 0},
        {2, 0, "EditWeightCp5", 120, 2, M::Cal, 10, K::Weight, 0},
        {2, 0, "EditLcMv", 122, 2, M::Cal, 11, K::Factor, 4},
        {2, 0, "EditLcCapacity", 124, 2, M::Cal, 12, K::Plain, 0},
        {2, 0, "cBoxTCal", 126, 2, M::Cal, 13, K::Index, 0},
        {2, 0, "EditCorrectCoef", 128, 2, M::Cal, 14, K::Factor, 5},
        {2, 0, "cBoxDivision_2", 130, 2, M::Cal, 15, K::Division, 0},
        {2, 0, "EditFullScale_2", 132, 2, M::Cal, 16, K::Weight, 0},
        {2, 0, "cBoxDivision_3", 134, 2, M::Cal, 17, K::Division, 0},
        {2, 0, "EditFullScale_3", 136, 2, M::Cal, 18, K::Weight, 0},
        // Application: inputs (tab selector 6) and outputs (7)
        {3, 6, "cBoxInputMode_1", 150, 2, M::App, 0, K::Index, 0},
        {3, 6, "cBoxInputMode_2", 152, 2, M::App, 1, K::Index, 0},
        {3, 6, "cBoxInputMode_3", 154, 2, M::App, 2, K::Index, 0},
        {3, 6, "cBoxInputMode_4", 156, 2, M::App, 3, K::Index, 0},
        {3, 7, "cBoxOutputMode_1", 170, 2, M::App, 4, K::Index, 0},
        {3, 7, "cBoxOutputMode_2", 172, 2, M::App, 5, K::Index, 0},
        {3, 7, "cBoxOutputMode_3", 174, 2, M::App, 6, K::Index, 0},
        {3, 7, "cBoxOutputMode_4", 176, 2, M::App, 7, K::Index, 0},
        {3, 7, "cBoxOutputMode_5", 178, 2, M::App, 8, K::Index, 0},
        {3, 7, "cBoxOutputMode_6", 180, 2, M::App, 9, K::Index, 0},
    };

    // Application comparators (tab selector 8): comparator c at 190 + 20c.
    static const char *const comparatorFields[4][5] = {
        {"cBox_JudgeStable_1", "Edit_Duration_1", "cBox_CompMode_1", "Edit_CompVal1_1",
         "Edit_CompVal2_1"},
        {"cBox_JudgeStable_2", "Edit_Duration_2", "cBox_CompMode_2", "Edit_CompVal1_2",
         "Edit_CompVal2_2"},
        {"cBox_JudgeStable_3", "Edit_Duration_3", "cBox_CompMode_3", "Edit_CompVal1_3",
         "Edit_CompVal2_3"},
        {"cBox_JudgeStable_4", "Edit_Duration_4", "cBox_CompMode_4", "Edit_CompVal1_4",
         "Edit_CompVal2_4"},
    };
    static const ParamKind comparatorKinds[5] = {K::Index, K::Factor, K::Index, K::Weight,
                                                 K::Weight};
    for (int c = 0; c < 4; ++c) {
        for (int j = 0; j < 5; ++j) {
            const ParamKind kind = comparatorKinds[j];
            rows.append({3, 8, comparatorFields[c][j], quint16(190 + 20 * c + 2 * j), 2, M::App,
                         10 + 5 * c + j, kind, kind == K::Factor ? 1 : 0});
        }
    }

    // Data transmission: serial port p at 300 + 20p.
    static const char *const portFields[3][7] = {
        {"EditComID_1", "cBoxBaudrate_1", "cBoxProtocol_1", "cBoxDataFormat_1", "cBoxDwordFormat_1",
         "EditSendGap_1", "cBoxCRC_1"},
        {"EditComID_2", "cBoxBaudrate_2", "cBoxProtocol_2", "cBoxDataFormat_2", "cBoxDwordFormat_2",
         "EditSendGap_2", "cBoxCRC_2"},
        {"EditComID_3", "cBoxBaudrate_3", "cBoxProtocol_3", "cBoxDataFormat_3", "cBoxDwordFormat_3",
         "EditSendGap_3", "cBoxCRC_3"},
    };
    for (int p = 0; p < 3; ++p) {
        for (int j = 0; j < 7; ++j) {
            const bool edit = j == 0 || j == 5;
            rows.append({4, 0, portFields[p][j], quint16(300 + 20 * p + 2 * j), 2, M::Com,
                         7 * p + j, edit ? K::Plain : K::Index, 0});
        }
    }
    rows += QVector<ParamRow>{
        {4, 0, "cBoxNetComProtocol", 360, 2, M::Com, 21, K::Index, 0},
        {4, 0, "cBoxNetComDwordFormat", 362, 2, M::Com, 22, K::Index, 0},
        {4, 0, "EditNetComSendGap", 364, 2, M::Com, 23, K::Plain, 0},
        {4, 0, "EditNetComSocket", 366, 2, M::Com, 24, K::Plain, 0},
        {4, 0, "EditIP_1", 368, 2, M::Com, 25, K::Plain, 0},
        {4, 0, "EditIP_2", 370, 2, M::Com, 26, K::Plain, 0},
        {4, 0, "EditIP_3", 372, 2, M::Com, 27, K::Plain, 0},
        {4, 0, "EditIP_4", 374, 2, M::Com, 28, K::Plain, 0},
        {4, 0, "cBoxWriteEnable", 376, 2, M::Com, 29, K::Index, 0},
        {4, 0, "cBoxDataType", 378, 2, M::Com, 30, K::Index, 0},
        {4, 0, "cBoxPrintLanguage", 390, 2, M::Com, 31, K::Index, 0},
        {4, 0, "cBoxPrintContent", 392, 2, M::Com, 32, K::Index, 0},
        {4, 0, "EditTicketGap", 394, 2, M::Com, 33, K::Plain, 0},
        {4, 0, "cBoxAnalogType", 460, 2, M::ComAnalog, 0, K::Index, 0},
        {4, 0, "EditMinOut", 462, 2, M::ComAnalog, 1, K::Factor, 3},
        {4, 0, "EditZeroOut", 464, 2, M::ComAnalog, 2, K::Factor, 3},
        {4, 0, "EditFSOut", 466, 2, M::ComAnalog, 3, K::Factor, 3},
        {4, 0, "EditMaxOut", 468, 2, M::ComAnalog, 4, K::Factor, 3},
        // Test and maintenance
        {5, 0, "cBoxBacklight", 530, 2, M::SysPara, 3, K::Index, 0},
        {5, 0, "cBoxNetLedDef", 532, 2, M::SysPara, 4, K::Index, 0},
        {5, 0, "cBoxComLed1Def", 534, 2, M::SysPara, 5, K::Index, 0},
        {5, 0, "cBoxComLed2Def", 536, 2, M::SysPara, 6, K::Index, 0},
        {5, 0, "cBoxCalRemoteEdit", 9301, 1, M::None, -1, K::Index, 0},
        {5, 0, "cBoxNCalRemoteEdit", 9302, 1, M::None, -1, K::Index, 0},
        // Digital sensors
        {6, 0, "EditModuleNum", 640, 2, M::Dig, 0, K::Signed, 0},
        {6, 0, "BtnAngleFix", 724, 2, M::None, -1, K::Command, 0},
        {6, 0, "BtnAngleReset", 722, 2, M::None, -1, K::Command, 0},
        {6, 0, "BtnSearchSen", 720, 2, M::None, -1, K::Command, 0},
    };
    for (int n = 0; n < 8; ++n) {
        const QByteArray name = "EditAngleDif" + QByteArray::number(n + 1);
        rows.append({6, 0, keptName(name), quint16(658 + 2 * n), 2, M::Dig, 9 + n,
                     K::Factor, 5});
    }
    for (int n = 0; n < 8; ++n) {
        const QByteArray name = "label_SensorAD" + QByteArray::number(n + 1);
        rows.append({6, 0, keptName(name), quint16(602 + 2 * n), 2, M::Dig, 30 + n,
                     K::Display, 0});
    }
    for (int n = 0; n < 8; ++n) {
        const QByteArray name = "label_SensorAdd" + QByteArray::number(n + 1);
        // Bus addresses are unsigned: an all-ones pair is 4294967295, not -1.
        rows.append({6, 0, keptName(name), quint16(642 + 2 * n), 2, M::Dig, 1 + n, K::Plain, 0});
    }
    rows += QVector<ParamRow>{
        {6, 0, "EditSendTime", 676, 2, M::Dig, 18, K::Plain, 0},
        {6, 0, "RemotoOutWay", 674, 2, M::Dig, 17, K::Index, 0},
        {6, 0, "RemotoAccuracy", 678, 2, M::Dig, 19, K::Index, 0},
        {6, 0, "RemotoSetFilter", 680, 2, M::Dig, 38, K::Index, 0},
        // The reset commands of the test page: buttons outside every write table.
        {0, 0, "Btn_ResetALL", 520, 2, M::SysPara, 0, K::Command, 0},
        {0, 0, "Btn_ResetCAL", 522, 2, M::SysPara, 1, K::Command, 0},
        {0, 0, "Btn_ResetAPP", 524, 2, M::SysPara, 2, K::Command, 0},
    };
    ApplyFileTexts(rows);
    return rows;
}

bool inTable(const ParamRow &row, int page, int tab)
{
    return row.page == page && (page != 3 || row.tab == tab);
}

} // namespace

const QVector<ParamRow> &ParameterCatalogue()
{
    static const QVector<ParamRow> rows = buildCatalogue();
    return rows;
}

QStringList PageWidgetNames(int page, int tab)
{
    QStringList names;
    for (const ParamRow &row : ParameterCatalogue()) {
        if (inTable(row, page, tab))
            names.append(QString::fromLatin1(row.widget));
    }
    return names;
}

QVector<RegisterPair> PageRegisterTable(int page, int tab)
{
    QVector<RegisterPair> pairs;
    for (const ParamRow &row : ParameterCatalogue()) {
        if (inTable(row, page, tab))
            pairs.append({row.address, row.count});
    }
    return pairs;
}

const ParamRow *FindWriteRow(quint32 page, quint32 appSubPage, const QString &objectName)
{
    if (page < 1 || page > 6)
        return nullptr;
    if (page == 3 && (appSubPage < 6 || appSubPage > 8))
        return nullptr;
    for (const ParamRow &row : ParameterCatalogue()) {
        if (inTable(row, int(page), int(appSubPage)) && objectName == QLatin1String(row.widget))
            return &row;
    }
    return nullptr;
}

quint32 MirrorValue(const ParamRow &row)
{
    if (row.slot < 0)
        return 0;
    switch (row.mirror) {
    case MirrorRecord::Basic:
        return gsrt_BasicPara.slot[row.slot];
    case MirrorRecord::Cal:
        return gsrt_CalPara.slot[row.slot];
    case MirrorRecord::App:
        return gsrt_AppPara.slot[row.slot];
    case MirrorRecord::Com:
        return gsrt_ComPara.slot[row.slot];
    case MirrorRecord::ComAnalog:
        return gsrt_ComPara.analog[row.slot];
    case MirrorRecord::SysPara:
        return gsrt_SysPara.slot[row.slot];
    case MirrorRecord::Dig:
        return gsrt_DigPara.slot[row.slot];
    case MirrorRecord::None:
        break;
    }
    return 0;
}

const ParamRow *FindParamByAddress(int address)
{
    for (const ParamRow &row : ParameterCatalogue()) {
        if (row.address == address)
            return &row;
    }
    return nullptr;
}

QVector<const ParamRow *> FileParameters()
{
    QVector<const ParamRow *> rows;
    for (ParamAccess access : {ParamAccess::ReadWrite, ParamAccess::WriteOnly}) {
        for (const ParamRow &row : ParameterCatalogue()) {
            if (row.access == access)
                rows.append(&row);
        }
    }
    return rows;
}
