#include "serviceentry.h"

#include <QStringList>

namespace {

const QStringList &kindTexts()
{
    static const QStringList texts = {QStringLiteral("change"), QStringLiteral("connect"),
                                      QStringLiteral("disconnect"), QStringLiteral("backup"),
                                      QStringLiteral("test")};
    return texts;
}

const QStringList &outcomeTexts()
{
    static const QStringList texts = {QString(),
                                      QStringLiteral("written"),
                                      QStringLiteral("refused"),
                                      QStringLiteral("timed out"),
                                      QStringLiteral("link lost"),
                                      QStringLiteral("read back differs"),
                                      QStringLiteral("outcome unknown (program ended)"),
                                      QStringLiteral("refused by the instrument"),
                                      QStringLiteral("outcome unknown (no error word)")};
    return texts;
}

} // namespace

QString KindText(ServiceEntry::Kind kind)
{
    return kindTexts().value(kind, QStringLiteral("?"));
}

bool KindFromText(const QString &text, ServiceEntry::Kind *kind)
{
    const int index = kindTexts().indexOf(text);
    *kind = ServiceEntry::Kind(index);
    return index >= 0;
}

QString OutcomeText(ServiceEntry::Outcome outcome)
{
    return outcomeTexts().value(outcome, QStringLiteral("?"));
}

bool OutcomeFromText(const QString &text, ServiceEntry::Outcome *outcome)
{
    const int index = outcomeTexts().indexOf(text);
    *outcome = ServiceEntry::Outcome(index);
    return index >= 0;
}
