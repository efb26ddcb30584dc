// tastor-icons ICON OUTDIR NAME SIZE...: the desktop's icons from the skin's icon. For each
// size it writes OUTDIR/<size>x<size>/apps/NAME.png (the hicolor theme's layout): the
// icon's own image of that size when it has one, else its largest image scaled smoothly.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fputs("Usage: tastor-icons ICON OUTDIR NAME SIZE...\n", stderr);
    return 2;
  }
  // The image readers need no display; the offscreen platform keeps it that way.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString iconPath = QString::fromLocal8Bit(argv[1]);
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  const QString name = QString::fromLocal8Bit(argv[3]);

  QImageReader reader(iconPath);
  QList<QImage> images;
  do {
    QImage image = reader.read();
    if (!image.isNull()) images.append(image.convertToFormat(QImage::Format_ARGB32));
  } while (reader.jumpToNextImage());
  if (images.isEmpty()) {
    std::fprintf(stderr, "tastor-icons: %s holds no readable image (%s)\n", argv[1],
                 qPrintable(reader.errorString()));
    return 1;
  }
  const QImage* largest = &images.front();
  for (const QImage& image : images) {
    if (image.width() > largest->width()) largest = &image;
  }

  for (int i = 4; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size <= 0) {
      std::fprintf(stderr, "tastor-icons: \"%s\" is not a size\n", argv[i]);
      return 2;
    }
    QImage out;
    for (const QImage& image : images) {
      if (image.width() == size && image.height() == size) out = image;
    }
    if (out.isNull()) out = largest->scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
    if (!QDir().mkpath(folder) || !out.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) {
      std::fprintf(stderr, "tastor-icons: cannot write the %d pixel icon into %s\n", size, qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
