// Bakes the panel's pictures: every set of drawings at each of its baked sizes, as one
// strip per size, into the folder it is given. A strip is its pixels as they are drawn,
// premultiplied ARGB of 32 bits in the byte order of the machine that builds the
// program, row after row: the panel shows them as they are, with no image decoder to
// start. The build runs it on Qt's offscreen platform and keeps the strips as resources.
#include "pages/IconPainters.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

using namespace orvanel;

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvanel-icon-bake FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "orvanel-icon-bake: cannot make %s\n", argv[1]);
        return 1;
    }
    for (const iconpainters::Set& set : iconpainters::allSets()) {
        for (const int pixels : set.bakedSizes) {
            const QString name = iconpainters::stripFileName(set, pixels);
            const QImage strip = iconpainters::strip(set, pixels);
            QSaveFile file(folder.filePath(name));
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(reinterpret_cast<const char*>(strip.constBits()), strip.sizeInBytes()) !=
                    strip.sizeInBytes() ||
                !file.commit()) {
                std::fprintf(stderr, "orvanel-icon-bake: cannot write %s\n", qPrintable(name));
                return 1;
            }
        }
    }
    return 0;
}
