#pragma once
// Reads an OBJ file with an independent reader, so that what the exporters write is
// checked against the format rather than against our own parser.
#include <QFile>
#include <QString>

#include <tiny_obj_loader.h>

#include <string>

struct ObjReadBack {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::string warning, error;
    bool ok = false;

    explicit ObjReadBack(const QString &path)
    {
        tinyobj::ObjReader reader;
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        ok = reader.ParseFromFile(QFile::encodeName(path).toStdString(), config);
        warning = reader.Warning();
        error = reader.Error();
        attrib = reader.GetAttrib();
        shapes = reader.GetShapes();
    }
};
