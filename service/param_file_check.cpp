#include "service/param_file_check.h"

#include <QFile>

#include "service/param_file.h"
#include "link/paths.h"

ParamFileCheck CheckParamFile(const QString& path)
{
    ParamFileCheck c;
    const QString file = Paths::DriveCPath(path);
    QFile in(file);
    if (file.isEmpty() || !in.open(QIODevice::ReadOnly)) {
        c.Error = "cannot open " + file.toStdString();
        return c;
    }
    ParamFileReader reader(in);
    for (;;) {
        const ParamFileReader::Step s = reader.Next();
        switch (s.What) {
        case ParamFileReader::Kind::End: c.Ok = true; return c;
        case ParamFileReader::Kind::Blank: break;
        case ParamFileReader::Kind::Entry: ++c.Entries; break;
        case ParamFileReader::Kind::Error:
            c.Error = QString::fromLatin1(s.ErrorText).trimmed().toStdString() + " after entry " +
                      std::to_string(c.Entries) + " of " + file.toStdString();
            return c;
        }
    }
}
