// The game's pictures on high-density screens: drawn with more pixels, never stretched.
#include "window/orbel_pictures.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "app/orbel_app.h"
#include "dialogs/board_size_dialog.h"
#include "window/main_window.h"
#include "window_helpers.h"

using namespace orbel;
using namespace orbel::testing;

namespace {

using Drawing = std::function<QPixmap(qreal ratio)>;

struct Picture {
    const char* name;
    QSize size;
    Drawing draw;
};

const Picture kPictures[] = {
    {"red orbel", {89, 89}, [](qreal r) { return OrbelPicture(-1, r); }},
    {"blue orbel", {89, 89}, [](qreal r) { return OrbelPicture(+1, r); }},
    {"up arrow", {32, 32}, [](qreal r) { return ArrowPicture(8, r); }},
    {"left arrow", {32, 32}, [](qreal r) { return ArrowPicture(4, r); }},
    {"centre mark", {32, 32}, [](qreal r) { return ArrowPicture(0, r); }},
    {"title", {181, 35}, [](qreal r) { return TitlePicture(r); }},
    {"icon", {48, 48}, [](qreal r) { return OrbelIconPicture(48, r); }},
};

// Each pixel of the result is the average of a 2 x 2 block of `image`.
QImage HalveByAveraging(const QImage& image) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage half(source.width() / 2, source.height() / 2, QImage::Format_ARGB32);
    for (int y = 0; y < half.height(); ++y) {
        for (int x = 0; x < half.width(); ++x) {
            int sum[4] = {};
            for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                const QRgb p = source.pixel(2 * x + d.x(), 2 * y + d.y());
                sum[0] += qRed(p);
                sum[1] += qGreen(p);
                sum[2] += qBlue(p);
                sum[3] += qAlpha(p);
            }
            half.setPixel(
                x, y,
                qRgba((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4, (sum[3] + 2) / 4));
        }
    }
    return half;
}

// The mean difference of two equally sized images over every channel, 0 to 255.
double MeanDifference(const QImage& a, const QImage& b) {
    const QImage one = a.convertToFormat(QImage::Format_ARGB32);
    const QImage two = b.convertToFormat(QImage::Format_ARGB32);
    double total = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QRgb p = one.pixel(x, y);
            const QRgb q = two.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return total / (4.0 * one.width() * one.height());
}

}  // namespace

class OrbelPicturesTest : public QObject {
    Q_OBJECT

  private slots:
    void pictures_have_ratio_times_the_pixels_and_keep_their_size();
    void ratio_two_draws_the_same_picture_finer();
    void icon_holds_every_size_a_doubled_screen_asks_for();
    void icon_file_looks_like_the_drawn_icon();
    void doubled_screen_gives_the_main_window_doubled_pictures();
    void doubled_screen_gives_the_about_window_a_doubled_icon();
};

void OrbelPicturesTest::pictures_have_ratio_times_the_pixels_and_keep_their_size() {
    for (const Picture& picture : kPictures) {
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            const QPixmap drawn = picture.draw(ratio);
            const QSize pixels(static_cast<int>(std::ceil(picture.size.width() * ratio)),
                               static_cast<int>(std::ceil(picture.size.height() * ratio)));
            QVERIFY2(drawn.size() == pixels, picture.name);
            QCOMPARE(drawn.devicePixelRatio(), ratio);
            QVERIFY2(std::abs(drawn.deviceIndependentSize().width() - picture.size.width()) < 1,
                     picture.name);
            QVERIFY2(std::abs(drawn.deviceIndependentSize().height() - picture.size.height()) < 1,
                     picture.name);
        }
    }
}

// Averaged back down to one pixel in four, the finer picture is the plain one: the drawing
// scales with the ratio rather than filling a corner or being cut.
void OrbelPicturesTest::ratio_two_draws_the_same_picture_finer() {
    for (const Picture& picture : kPictures) {
        const QImage plain = picture.draw(1.0).toImage();
        const QImage fine = picture.draw(2.0).toImage();
        const double difference = MeanDifference(HalveByAveraging(fine), plain);
        QVERIFY2(difference < 3.0, qPrintable(QStringLiteral("%1 differs by %2")
                                                  .arg(QLatin1String(picture.name))
                                                  .arg(difference)));
    }
    // The raised edge of an arrow covers whole pixels: two rows of white at the top.
    const QImage arrow = ArrowPicture(8, 2.0).toImage();
    for (const int y : {0, 1}) QCOMPARE(QColor(arrow.pixel(20, y)), QColor(Qt::white));
    QCOMPARE(QColor(arrow.pixel(20, 2)), QColor(224, 224, 224));
    QCOMPARE(QColor(arrow.pixel(20, 63)), QColor(Qt::black));
}

void OrbelPicturesTest::icon_holds_every_size_a_doubled_screen_asks_for() {
    const QIcon icon = OrbelIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const int side : {16, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    const QPixmap doubled = icon.pixmap(QSize(32, 32), 2.0);
    QCOMPARE(doubled.size(), QSize(64, 64));
    QCOMPARE(doubled.devicePixelRatio(), 2.0);
    QCOMPARE(MeanDifference(doubled.toImage(), OrbelIconPicture(64).toImage()), 0.0);
}

// The desktop's icon is rendered from the SVG; it must show the orbel the window draws.
void OrbelPicturesTest::icon_file_looks_like_the_drawn_icon() {
    const QImage file(QStringLiteral(ORBEL_ICON_64_PNG));
    QVERIFY2(!file.isNull(), ORBEL_ICON_64_PNG);
    QCOMPARE(file.size(), QSize(64, 64));
    const QImage drawn = OrbelIconPicture(64).toImage();
    const double difference = MeanDifference(file, drawn);
    QVERIFY2(difference < 4.0, qPrintable(QString::number(difference)));
    // Clear corners, an opaque body.
    QCOMPARE(qAlpha(file.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(file.pixel(32, 32)), 255);
}

void OrbelPicturesTest::doubled_screen_gives_the_main_window_doubled_pictures() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    OrbelApp app;
    MainWindow& window = *app.StartGame(9);
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (const char* name : {"img_dir_0", "img_dir_2", "img_dir_4", "img_dir_6", "img_dir_8"}) {
        const QLabel* arrow = Control<QLabel>(window, name);
        QCOMPARE(arrow->size(), QSize(32, 32));
        QCOMPARE(arrow->pixmap().size(), QSize(64, 64));
        QCOMPARE(arrow->pixmap().devicePixelRatio(), 2.0);
    }
    for (const char* name : {"img_Player_0", "img_Player_1"}) {
        const QLabel* player = Control<QLabel>(window, name);
        // Drawn for the label's own size, so the window may scale them.
        QCOMPARE(player->size(), QSize(40, 40));
        QCOMPARE(player->pixmap().size(), QSize(80, 80));
        QCOMPARE(player->pixmap().devicePixelRatio(), 2.0);
    }
    const QLabel* title = Control<QLabel>(window, "img_Title");
    QCOMPARE(title->size(), QSize(181, 35));
    QCOMPARE(title->pixmap().size(), QSize(362, 70));
    QCOMPARE(title->pixmap().devicePixelRatio(), 2.0);

    // On screen the arrow shows the fine picture pixel for pixel, not the plain one stretched.
    const QImage shown = Control<QLabel>(window, "img_dir_8")->grab().toImage();
    QCOMPARE(shown.size(), QSize(64, 64));
    QCOMPARE(MeanDifference(shown, ArrowPicture(8, 2.0).toImage()), 0.0);
}

void OrbelPicturesTest::doubled_screen_gives_the_about_window_a_doubled_icon() {
    QApplication::setWindowIcon(OrbelIcon());
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    const QLabel* icon = Control<QLabel>(about, "img_Icon");
    QCOMPARE(icon->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(icon->pixmap().size(), icon->size() * 2);
}

int main(int argc, char* argv[]) {
    // Every window of this test opens on a screen of ratio 2.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    OrbelPicturesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "orbel_pictures-test.moc"
