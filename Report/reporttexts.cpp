#include "reporttexts.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {

const QTranslator *chineseCatalogue()
{
    static QTranslator *catalogue = [] {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QStringLiteral(":/Translate/Language_CN.qm"))) {
            delete t;
            return static_cast<QTranslator *>(nullptr);
        }
        return t;
    }();
    return catalogue;
}

const char *const PageTitles[] = {
    QT_TRANSLATE_NOOP("ServiceReport", "Basic configuration"),
    QT_TRANSLATE_NOOP("ServiceReport", "Weight and calibration"),
    QT_TRANSLATE_NOOP("ServiceReport", "Application"),
    QT_TRANSLATE_NOOP("ServiceReport", "Data transmission"),
    QT_TRANSLATE_NOOP("ServiceReport", "Test and maintenance"),
    QT_TRANSLATE_NOOP("ServiceReport", "Digital sensors"),
};

} // namespace

QString ReportLanguage::translate(const char *context, const char *source) const
{
    if (m_chinese) {
        if (const QTranslator *t = chineseCatalogue()) {
            const QString text = t->translate(context, source);
            if (!text.isEmpty())
                return text;
        }
    }
    return QString::fromUtf8(source);
}

bool ReportLanguage::chineseAvailable()
{
    return chineseCatalogue() != nullptr;
}

QString ReportPageTitle(int page, const ReportLanguage &language)
{
    if (page < 1 || page > 6)
        return QString::number(page);
    return language.translate("ServiceReport", PageTitles[page - 1]);
}

QString ReportProgramVersion()
{
    return QStringLiteral(ZELT_PROGRAM_VERSION);
}
