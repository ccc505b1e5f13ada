#pragma once
// Reads a benchmark script word by word: keywords and numbers are whitespace-delimited
// words, a quoted field runs to the end of its line. A field that is no number reads as 0
// (and is consumed), so a damaged line never stalls the reader.

#include <QString>
#include <QStringList>

#include <utility>

class ScriptReader {
public:
    explicit ScriptReader(QString text) : m_sText(std::move(text)) {}

    bool AtEnd();
    QString NextWord();
    int NextInt();
    float NextFloat();
    // The rest of the current line, without its line break.
    QString RestOfLine();

    // From a rest of line: the text between the first two double quotes (empty without
    // them), and the whitespace-separated words after the closing quote.
    static QString Quoted(const QString &line);
    static QStringList AfterQuote(const QString &line);

private:
    void SkipSpace();
    QString m_sText;
    qsizetype m_iPos = 0;
};
