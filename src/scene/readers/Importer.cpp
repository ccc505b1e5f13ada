#include "scene/readers/Importer.h"

#include "foundation/Diagnostics.h"
#include "mesh/object/Object.h"
#include "scene/readers/BioImporter.h"
#include "scene/readers/ObjImporter.h"

#include <QFile>

#include <new>

Importer *Importer::Create(const QString &path, BTree::Space *space)
{
    const QByteArray file = QFile::encodeName(path);
    try {
        if (path.endsWith(QLatin1String(".obj"), Qt::CaseInsensitive))
            return new ObjImporter(file.constData(), space);
        if (path.endsWith(QLatin1String(".bio"), Qt::CaseInsensitive))
            return new BioImporter(path, space);
    } catch (const std::bad_alloc &) {
        Log(" Not enough memory to open %s\n", file.constData());
    }
    return nullptr;
}

void Importer::DeleteChain(Object *first)
{
    while (first) {
        Object *next = first->m_pNextObject;
        first->m_pNextObject = nullptr;
        delete first;
        first = next;
    }
}

Object *Importer::Fail(const QString &reason)
{
    m_sError = reason;
    Log(" Import refused: %s\n", reason.toLocal8Bit().constData());
    return nullptr;
}

QString Importer::MeshName(int index) const
{
    const int n = m_iNumberBase + index;
    return n == 0 ? QStringLiteral("mesh") : QStringLiteral("mesh%1").arg(n);
}
