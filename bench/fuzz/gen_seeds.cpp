// Seed inputs for the fuzz targets, made by the project: the two parameter
// templates, and for every register group
// and both word orders, the registers of a fresh simulated instrument and of one
// with every register at all ones.
#include "instrumentmodel.h"
#include "devicemodel.h"
#include "paramtemplate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: gen_seeds DIR");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    sim::InstrumentModel model(sim::Kind::Analog, 0);
    int written = 0;
    for (int group = 0; group < RegisterGroupCount; ++group) {
        for (int order = 0; order < 2; ++order) {
            model.setWordOrder(order);
            for (int variant = 0; variant < 2; ++variant) {
                QByteArray seed;
                seed.append(char(group));
                seed.append(char(order));
                const RegisterGroup g = RegisterGroupTable[group];
                for (int i = 0; i < g.count; ++i) {
                    const quint16 value = variant == 0 ? model.reg(g.start + i) : 0xFFFF;
                    seed.append(char(value & 0xFF));
                    seed.append(char(value >> 8));
                }
                QFile f(QStringLiteral("%1/group%2_%3_%4").arg(QString::fromLocal8Bit(argv[1]))
                            .arg(group).arg(order).arg(variant));
                if (f.open(QIODevice::WriteOnly) && f.write(seed) == seed.size())
                    ++written;
            }
        }
    }
    // The workbook target starts from the parameter templates the program makes.
    for (int language = 0; language < 2; ++language) {
        if (WriteParamTemplate(QStringLiteral("%1/template%2.xlsx")
                                   .arg(QString::fromLocal8Bit(argv[1]))
                                   .arg(language),
                               language))
            ++written;
    }
    qInfo("gen_seeds: %d seeds", written);
    return written > 0 ? 0 : 1;
}
