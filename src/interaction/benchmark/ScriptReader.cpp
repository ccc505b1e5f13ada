#include "interaction/benchmark/ScriptReader.h"

#include <QStringList>

void ScriptReader::SkipSpace()
{
    while (m_iPos < m_sText.size() && m_sText[m_iPos].isSpace())
        ++m_iPos;
}

bool ScriptReader::AtEnd()
{
    SkipSpace();
    return m_iPos >= m_sText.size();
}

QString ScriptReader::NextWord()
{
    SkipSpace();
    const qsizetype start = m_iPos;
    while (m_iPos < m_sText.size() && !m_sText[m_iPos].isSpace())
        ++m_iPos;
    return m_sText.mid(start, m_iPos - start);
}

int ScriptReader::NextInt()
{
    bool ok = false;
    const int value = NextWord().toInt(&ok);
    return ok ? value : 0;
}

float ScriptReader::NextFloat()
{
    bool ok = false;
    const float value = NextWord().toFloat(&ok);
    return ok ? value : 0.0f;
}

QString ScriptReader::RestOfLine()
{
    const qsizetype start = m_iPos;
    while (m_iPos < m_sText.size() && m_sText[m_iPos] != QLatin1Char('\n'))
        ++m_iPos;
    QString line = m_sText.mid(start, m_iPos - start);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

QString ScriptReader::Quoted(const QString &line)
{
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    const qsizetype close = open < 0 ? -1 : line.indexOf(QLatin1Char('"'), open + 1);
    return close < 0 ? QString() : line.mid(open + 1, close - open - 1);
}

QStringList ScriptReader::AfterQuote(const QString &line)
{
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    const qsizetype close = open < 0 ? -1 : line.indexOf(QLatin1Char('"'), open + 1);
    if (close < 0)
        return {};
    return line.mid(close + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
