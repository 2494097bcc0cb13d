// cvbio_artwork OUTPUT_DIR: writes Logo.jpg, FlowSource.jpg and NoFingerPhoto.jpg.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "Artwork.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: cvbio_artwork OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cvbio_artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {
        {"Logo.jpg", PaintLogo()},
        {"FlowSource.jpg", PaintFlowSource()},
        {"NoFingerPhoto.jpg", PaintNoFingerPhoto()},
    };
    for (const auto& picture : pictures) {
        const QString path = out.filePath(picture.name);
        if (!picture.image.save(path, "JPG", 92)) {
            std::fprintf(stderr, "cvbio_artwork: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
