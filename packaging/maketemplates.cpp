// Writes the two spreadsheet templates into a folder, for the package.
#include "paramtemplate.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelt-make-templates DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    for (int language : {0, 1}) {
        QString error;
        if (!WriteParamTemplate(dir + QLatin1Char('/') + TemplateFileName(language), language,
                                &error)) {
            std::fprintf(stderr, "zelt-make-templates: %s\n", qPrintable(error));
            return 1;
        }
    }
    return 0;
}
