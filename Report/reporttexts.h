#pragma once

#include <QString>

// The report's own texts in the report's language, whatever catalogue the
// program has installed: the Chinese ones come from the program's compiled
// catalogue. Texts are given as translate("ServiceReport", "...") so that the
// catalogue tools find them.
class ReportLanguage
{
public:
    explicit ReportLanguage(bool chinese) : m_chinese(chinese) {}
    bool chinese() const { return m_chinese; }
    // The source text in English, or its Chinese translation.
    QString translate(const char *context, const char *source) const;

    // Whether the Chinese catalogue is at hand (it is compiled into the program).
    static bool chineseAvailable();

private:
    bool m_chinese;
};

// "Basic configuration" ... "Digital sensors" for the catalogue's pages 1 to 6.
QString ReportPageTitle(int page, const ReportLanguage &language);

// The program's version, as the footer names it.
QString ReportProgramVersion();
