#include "scene/LevelFileText.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/levels/ObjText.h"

#include <QFile>

#include <unistd.h>

LevelFileText::LevelFileText(const QString &fileName, bool storing, int) : LevelFile(fileName), m_bStoring(storing)
{
    m_pFile = std::fopen(QFile::encodeName(fileName).constData(), storing ? "w" : "r");
    if (!m_pFile) {
        Log("Cannot open level file %s\n", QFile::encodeName(fileName).constData());
        m_bError = true;
    }
}

LevelFileText::~LevelFileText()
{
    if (m_pFile && std::fclose(m_pFile) != 0 && m_bStoring)
        ReportWriteFailure();
}

bool LevelFileText::HasError() const
{
    // What waits in the buffer is written first: a full disk shows here, not only at the close.
    if (m_pFile && m_bStoring && !m_bError && std::fflush(m_pFile) != 0)
        ReportWriteFailure();
    return m_bError;
}

void LevelFileText::ReportWriteFailure() const
{
    if (!m_bError) {
        const QString message = Stream::WriteFailureMessage(m_sFileName);
        Log("%s\n", message.toUtf8().constData());
        General::Shell().CriticalMessage(message);
    }
    m_bError = true;
}

void LevelFileText::WriteLine(const QByteArray &line)
{
    if (!m_pFile || m_bError)
        return;
    if (std::fwrite(line.constData(), 1, size_t(line.size()), m_pFile) != size_t(line.size()))
        ReportWriteFailure();
}

void LevelFileText::BeginGroup(const char *name, int level, int, int, int, int)
{
    m_iGroupStart = m_pFile ? ftello(m_pFile) : -1;
    QByteArray line("g ");
    line.append(name ? name : "");
    line.append('_');
    ObjText::AppendInt(line, level);
    line.append('\n');
    WriteLine(line);
}

void LevelFileText::WriteVertex(const float *xyz)
{
    QByteArray line("v");
    for (int i = 0; i < 3; ++i) {
        line.append(' ');
        ObjText::AppendFixed(line, xyz[i]);
    }
    line.append('\n');
    WriteLine(line);
}

void LevelFileText::WriteTexCoord(const float *uv)
{
    QByteArray line("vt ");
    ObjText::AppendFixed(line, uv[0]);
    line.append(' ');
    ObjText::AppendFixed(line, uv[1]);
    line.append('\n');
    WriteLine(line);
}

void LevelFileText::WriteFace(const General::Store<int> &indices, const General::Store<int> *tcIndices)
{
    const unsigned n = indices.GetItemCount();
    // A reader takes "/-1" for a relative index (the last texture coordinate): a corner
    // without one makes the whole face plain, as a face cannot mix both forms.
    bool withTCs = tcIndices && tcIndices->GetItemCount() >= n && n;
    for (unsigned i = 0; withTCs && i < n; ++i)
        withTCs = (*tcIndices)[i] > 0;
    QByteArray line("f");
    for (unsigned i = 0; i < n; ++i) {
        line.append(' ');
        ObjText::AppendInt(line, indices[i]);
        if (withTCs) {
            line.append('/');
            ObjText::AppendInt(line, (*tcIndices)[i]);
        }
    }
    line.append('\n');
    WriteLine(line);
}

bool LevelFileText::DropGroup()
{
    if (!m_pFile || m_iGroupStart < 0)
        return false;
    const bool ok = std::fflush(m_pFile) == 0 && ftruncate(fileno(m_pFile), m_iGroupStart) == 0 &&
                    fseeko(m_pFile, m_iGroupStart, SEEK_SET) == 0;
    m_iGroupStart = -1;
    return ok;
}

bool LevelFileText::ReadObject(QString &, int &, int &, int &, int &, int &)
{
    return TV_CHECK(false);
}
