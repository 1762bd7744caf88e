// icon-sizes IN OUTDIR NAME SIZE...: writes OUTDIR/SIZExSIZE/apps/NAME.png for the hicolor theme.
// Run at build time so the theme's sizes always come from the one picture the program shows.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: icon-sizes IN OUTDIR NAME SIZE...\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "icon-sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0 || size > source.width()) {
            // Enlarging would only blur the picture; the theme scales up by itself.
            std::fprintf(stderr, "icon-sizes: size %s is not between 1 and %d\n", argv[i], source.width());
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        const QString file = folder + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]) + QStringLiteral(".png");
        const QImage scaled = source.convertToFormat(QImage::Format_ARGB32)
                                  .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "icon-sizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
