// zv_demo_photo: draws a stand-in product photo for the demo program folder.
//
//   zv_demo_photo OUT.jpg CODE [NAME]
//
// The picture (640 x 480, JPEG) shows a simple drawn part, the product code
// and, when given, the name. Real photos come from the wholesaler;
// these only let the photo marker and the viewer be tried out.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    // Qt's arguments are whole Unicode on both systems (Windows' argv is in
    // its ANSI code page).
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: zv_demo_photo OUT.jpg CODE [NAME]\n");
        return 2;
    }
    const QString out = arguments[1];
    const QString code = arguments[2];
    const QString name = arguments.size() > 3 ? arguments[3] : QString();

    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A hue per product code, so that neighbouring photos differ.
    const int hue = static_cast<int>(qHash(code) % 360);
    QLinearGradient background(0, 0, 0, 480);
    background.setColorAt(0, QColor::fromHsv(hue, 40, 250));
    background.setColorAt(1, QColor::fromHsv(hue, 90, 200));
    painter.fillRect(image.rect(), background);

    // A gear-like part: a toothed ring with a hole.
    painter.translate(320, 210);
    QPainterPath gear;
    const int teeth = 10 + static_cast<int>(qHash(code) % 8);
    for (int i = 0; i < teeth; ++i) {
        painter.save();
        painter.rotate(360.0 * i / teeth);
        painter.fillRect(QRectF(-14, -150, 28, 40), QColor::fromHsv(hue, 60, 90));
        painter.restore();
    }
    painter.setBrush(QColor::fromHsv(hue, 60, 110));
    painter.setPen(QPen(QColor::fromHsv(hue, 80, 60), 4));
    painter.drawEllipse(QPointF(0, 0), 118, 118);
    painter.setBrush(QColor::fromHsv(hue, 30, 230));
    painter.drawEllipse(QPointF(0, 0), 40, 40);
    painter.resetTransform();

    painter.setPen(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
    painter.setFont(font);
    painter.drawText(QRect(0, 380, 640, 40), Qt::AlignCenter, code);
    font.setBold(false);
    font.setPointSize(14);
    painter.setFont(font);
    painter.drawText(QRect(10, 420, 620, 50), Qt::AlignCenter | Qt::TextWordWrap, name);
    painter.end();

    if (!image.save(out, "JPG", 85)) {
        std::fprintf(stderr, "zv_demo_photo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
