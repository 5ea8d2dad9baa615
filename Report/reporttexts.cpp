#include "reporttexts.h"

#include "paramshown.h"

namespace {

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
    return CatalogueText(context, source, m_chinese);
}

bool ReportLanguage::chineseAvailable()
{
    return ChineseCatalogue() != nullptr;
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
