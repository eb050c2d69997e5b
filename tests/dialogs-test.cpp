// The board-size window in its two uses and the rules window.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "dialogs/board_size_dialog.h"
#include "dialogs/rules_window.h"
#include "ui/window_place.h"

using orbel::BoardSizeDialog;
using orbel::CentredInside;
using orbel::RulesWindow;
using orbel::ScrolledSize;

namespace {

QPushButton* SizeButton(const QWidget& dialog, int index) {
    return dialog.findChild<QPushButton*>(QStringLiteral("btn_GameSize_%1").arg(index));
}

QScrollArea* PageArea(const RulesWindow& rules) {
    return rules.findChild<QScrollArea*>("scr_Page");
}

// Brings each line of the page into the window's view, at its first and at its last
// character, and checks that it is seen there.
void CheckEveryLineReachable(RulesWindow& rules) {
    QScrollArea* area = PageArea(rules);
    const QWidget* page = area->widget();
    const QFontMetrics metrics(rules.font());
    const int height = rules.LineHeight();
    const auto lines = orbel::RulesPage();
    for (int index = 0; index < static_cast<int>(lines.size()); ++index) {
        const int width = std::max(1, metrics.horizontalAdvance(QString::fromUtf8(lines[index])));
        for (const int x : {0, width - 1}) {
            area->ensureVisible(x, index * height + height / 2, 1, height / 2);
            const QRect seen = page->visibleRegion().boundingRect();
            QVERIFY2(seen.contains(QRect(x, index * height, 1, height)),
                     qPrintable(QStringLiteral("line %1 at %2").arg(index + 1).arg(x)));
        }
    }
}

// Whether the band of rows from `top`, `height` high, has dark pixels; in the picture's own
// pixels, which on a scaled screen are finer than the widget's.
bool RowHasInk(const QImage& image, int top, int height) {
    const double ratio = image.devicePixelRatio();
    const int last = std::min(static_cast<int>((top + height) * ratio), image.height());
    for (int y = static_cast<int>(std::ceil(top * ratio)); y < last; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void size_window_offers_seven_sizes_and_returns_the_one_clicked();
    void size_window_closed_without_a_choice_returns_none();
    void escape_leaves_the_size_window_open_and_closes_the_about_window();
    void about_use_hides_the_size_buttons_and_leaves_the_game_usable();
    void about_shows_the_project_version();
    void size_window_texts_are_whole();
    void size_window_starts_the_size_that_has_the_focus();
    void rules_page_numbers_six_rules_and_indents_their_continuations();
    void rules_window_shows_every_line_and_ok_covers_none();
    void rules_ok_closes_the_window();
    void rules_window_resized_by_the_player_keeps_every_line_in_reach();
    void windows_are_centred_inside_the_available_area_data();
    void windows_are_centred_inside_the_available_area();
    void scrolled_size_data();
    void scrolled_size();
    void every_dialog_fits_inside_the_available_area();
};

void DialogsTest::size_window_offers_seven_sizes_and_returns_the_one_clicked() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.isModal());
    const QStringList captions = {"5", "7", "9", "11", "13", "15", "17"};
    for (int index = 0; index < 7; ++index) {
        QPushButton* button = SizeButton(dialog, index);
        QVERIFY(button);
        QCOMPARE(button->text(), captions[index]);
        QVERIFY(button->isVisible());
    }
    QVERIFY(dialog.findChild<QLabel*>("lbl_GameSize")->isVisible());
    QCOMPARE(dialog.findChild<QLabel*>("lbl_GameSize")->text(),
             QStringLiteral("Select Board Size"));

    QSignalSpy chosen(&dialog, &BoardSizeDialog::sizeChosen);
    QTest::mouseClick(SizeButton(dialog, 4), Qt::LeftButton);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 13);
    QCOMPARE(dialog.ChosenSize(), std::optional<int>(13));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void DialogsTest::size_window_closed_without_a_choice_returns_none() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    QSignalSpy chosen(&dialog, &BoardSizeDialog::sizeChosen);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.ChosenSize(), std::nullopt);
    QCOMPARE(chosen.count(), 0);
}

// Escape reaches the window from whichever control has the focus.
void DialogsTest::escape_leaves_the_size_window_open_and_closes_the_about_window() {
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(SizeButton(dialog, 3), Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(dialog.ChosenSize(), std::nullopt);
    // A size is still taken after it.
    QTest::mouseClick(SizeButton(dialog, 1), Qt::LeftButton);
    QCOMPARE(dialog.ChosenSize(), std::optional<int>(7));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    BoardSizeDialog about(BoardSizeDialog::Use::About);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Rejected));
}

void DialogsTest::about_use_hides_the_size_buttons_and_leaves_the_game_usable() {
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(!about.isModal());
    for (int index = 0; index < 7; ++index) QVERIFY(!SizeButton(about, index)->isVisible());
    QVERIFY(!about.findChild<QLabel*>("lbl_GameSize")->isVisible());
    QVERIFY(about.findChild<QLabel*>("lbl_Program")->isVisible());
    QVERIFY(about.windowTitle().contains(QStringLiteral("Orbel Five")));
}

// The version comes from the build's project() line, as the programs' --version does.
void DialogsTest::about_shows_the_project_version() {
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    QCOMPARE(about.findChild<QLabel*>("lbl_Author")->text(),
             QStringLiteral("Version " ORBEL_PROJECT_VERSION));
}

// The fixed texts stand as they are, and no label cuts its text or leaves the window; a game
// offered to continue, however long its text, neither, nor does it cover another control.
void DialogsTest::size_window_texts_are_whole() {
    BoardSizeDialog offering(BoardSizeDialog::Use::ChooseSize, 9,
                             QString::fromUtf8("Continue 17 × 17, GrandMaster, move 225"));
    offering.show();
    QVERIFY(QTest::qWaitForWindowExposed(&offering));
    const QPushButton* offered = offering.findChild<QPushButton*>("btn_Continue");
    QVERIFY(offered->width() >= offered->sizeHint().width());
    for (const QWidget* control : offering.findChildren<QWidget*>()) {
        QVERIFY2(offering.rect().contains(control->geometry()), qPrintable(control->objectName()));
        const auto* label = qobject_cast<const QLabel*>(control);
        if (control != offered && !(label && label->text().isEmpty()))
            QVERIFY2(!control->geometry().intersects(offered->geometry()),
                     qPrintable(control->objectName()));
    }
    BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.findChild<QLabel*>("lbl_Program")->text(), QStringLiteral("Orbel Five  "));
    QVERIFY(dialog.findChild<QLabel*>("lbl_Program")->font().bold());
    QCOMPARE(dialog.findChild<QLabel*>("lbl_Program")->font().pointSize(), 24);
    QCOMPARE(dialog.findChild<QLabel*>("Label2")->text(),
             QStringLiteral("This program is based on the frame programs "));
    QCOMPARE(dialog.findChild<QLabel*>("Label3")->text(),
             QStringLiteral("1024 x 768 pixels and 120 dpi recommended. "));
    QVERIFY(!dialog.findChild<QLabel*>("Label1")->text().trimmed().isEmpty());
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        QVERIFY2(dialog.rect().contains(label->geometry()), qPrintable(label->objectName()));
    }
}

// The size given (the one chosen last time) has the focus first. Enter or Space starts the
// size that has the focus, after Tab as before it, with or without a size given; the
// default button's frame goes with the focus.
void DialogsTest::size_window_starts_the_size_that_has_the_focus() {
    const int sizes[7] = {5, 7, 9, 11, 13, 15, 17};
    for (int given = -1; given < 7; ++given) {
        for (const bool tab : {false, true}) {
            BoardSizeDialog dialog(BoardSizeDialog::Use::ChooseSize,
                                   given < 0 ? std::nullopt : std::optional<int>(sizes[given]));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            if (given >= 0) QCOMPARE(QApplication::focusWidget(), SizeButton(dialog, given));
            if (tab) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            int focused = -1;
            for (int index = 0; index < 7; ++index) {
                if (QApplication::focusWidget() == SizeButton(dialog, index)) focused = index;
                QCOMPARE(SizeButton(dialog, index)->isDefault(),
                         QApplication::focusWidget() == SizeButton(dialog, index));
            }
            QVERIFY(focused >= 0);
            if (tab && given >= 0) QCOMPARE(focused, (given + 1) % 7);
            QTest::keyClick(dialog.windowHandle(), given % 2 ? Qt::Key_Space : Qt::Key_Return);
            QCOMPARE(dialog.ChosenSize(), std::optional<int>(sizes[focused]));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
    }
}

// The six rules as the page numbers them, each continued under its text, with their
// blank lines, the game's description below them and room left for a contact notice.
void DialogsTest::rules_page_numbers_six_rules_and_indents_their_continuations() {
    const auto page = orbel::RulesPage();
    QVERIFY(page.size() >= 34);
    const int numbered[] = {1, 4, 9, 11, 13, 16};
    int rule = 0;
    for (int line = 1; line <= 18; ++line) {
        const std::string_view text = page[line - 1];
        if (std::find(std::begin(numbered), std::end(numbered), line) != std::end(numbered))
            QVERIFY2(text.starts_with(" " + std::to_string(++rule) + ". "), text.data());
        else if (!text.empty())
            QVERIFY2(text.starts_with("    ") && text[4] != ' ', text.data());
    }
    for (const int blank : {3, 8, 10, 12, 15, 19, 20, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33})
        QCOMPARE(std::string_view(page[blank - 1]), std::string_view());
    for (const int text : {2, 5, 6, 7, 14, 17, 18, 21, 22, 23, 34})
        QVERIFY(!std::string_view(page[text - 1]).empty());
}

// Every line is drawn on the page where it belongs and can be brought into view, and the
// OK button sits on blank lines only.
void DialogsTest::rules_window_shows_every_line_and_ok_covers_none() {
    RulesWindow rules;
    rules.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rules));
    QVERIFY(rules.isModal());
    QVERIFY(rules.windowTitle().endsWith(QStringLiteral("Game Rules")));
    const auto page = orbel::RulesPage();
    const int height = rules.LineHeight();
    const QFontMetrics metrics(rules.font());
    QVERIFY(rules.font().bold());
    QWidget* sheet = PageArea(rules)->widget();
    QPushButton* ok = sheet->findChild<QPushButton*>("btn_OK");
    QVERIFY(ok && ok->isVisible());
    QCOMPARE(ok->text(), QStringLiteral("OK"));

    ok->hide();  // so the page underneath can be read off the picture
    const QImage picture = sheet->grab().toImage();
    ok->show();
    for (int index = 0; index < static_cast<int>(page.size()); ++index) {
        const QString text = QString::fromUtf8(page[index]);
        const QRect band(0, index * height, metrics.horizontalAdvance(text), height);
        QVERIFY2(sheet->rect().contains(band),
                 qPrintable(QStringLiteral("line %1").arg(index + 1)));
        const bool blank = text.trimmed().isEmpty();
        if (!blank) QVERIFY2(!ok->geometry().intersects(band), qPrintable(text));
        QCOMPARE(RowHasInk(picture, index * height, height), !blank);
    }
    QVERIFY(sheet->rect().contains(ok->geometry()));
    CheckEveryLineReachable(rules);
}

// OK has the keyboard when the window opens, so Enter closes it as a click does.
void DialogsTest::rules_ok_closes_the_window() {
    RulesWindow byClick;
    byClick.show();
    QVERIFY(QTest::qWaitForWindowExposed(&byClick));
    QTest::mouseClick(byClick.findChild<QPushButton*>("btn_OK"), Qt::LeftButton);
    QVERIFY(!byClick.isVisible());
    QCOMPARE(byClick.result(), int(QDialog::Accepted));

    RulesWindow byKey;
    byKey.show();
    QVERIFY(QTest::qWaitForWindowActive(&byKey));
    QCOMPARE(QApplication::focusWidget(), byKey.findChild<QPushButton*>("btn_OK"));
    QTest::keyClick(byKey.windowHandle(), Qt::Key_Return);
    QVERIFY(!byKey.isVisible());
    QCOMPARE(byKey.result(), int(QDialog::Accepted));
}

// Smaller than the page, the window scrolls it; larger, it shows it whole.
void DialogsTest::rules_window_resized_by_the_player_keeps_every_line_in_reach() {
    RulesWindow rules;
    rules.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rules));
    const QSize page = rules.PageSize();
    for (const QSize size : {page / 2, page - QSize(1, 1), QSize(page.width() / 3, page.height()),
                             page + QSize(100, 100)}) {
        rules.resize(size);
        QCOMPARE(rules.size(), size);
        QCoreApplication::processEvents();  // the scroll bars come and go with the layout

        CheckEveryLineReachable(rules);
    }
    QVERIFY(!PageArea(rules)->verticalScrollBar()->isVisible());
}

void DialogsTest::windows_are_centred_inside_the_available_area_data() {
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("fits") << QSize(800, 600) << QRect(0, 0, 1920, 1080) << QPoint(560, 240);
    QTest::newRow("odd room rounds down")
        << QSize(50, 50) << QRect(0, 0, 101, 103) << QPoint(25, 26);
    QTest::newRow("exactly as large") << QSize(1280, 720) << QRect(0, 0, 1280, 720) << QPoint(0, 0);
    QTest::newRow("panel on top") << QSize(400, 300) << QRect(0, 40, 1920, 1040)
                                  << QPoint(760, 410);
    QTest::newRow("screen to the right")
        << QSize(400, 300) << QRect(1920, 0, 1280, 1024) << QPoint(2360, 362);
    QTest::newRow("screen to the left and above")
        << QSize(400, 300) << QRect(-1280, -1024, 1280, 1024) << QPoint(-840, -662);
    // 1920 x 1080 at scale 1.5 is 1280 x 720: the main window is taller than that.
    QTest::newRow("too tall") << QSize(1077, 790) << QRect(0, 0, 1280, 720) << QPoint(101, 0);
    QTest::newRow("too wide") << QSize(1400, 500) << QRect(0, 0, 1280, 720) << QPoint(0, 110);
    QTest::newRow("too large both ways")
        << QSize(1600, 900) << QRect(0, 0, 1280, 720) << QPoint(0, 0);
    QTest::newRow("too large, area not at the origin")
        << QSize(1600, 900) << QRect(1920, 32, 1280, 688) << QPoint(1920, 32);
}

// The corner is on the area, and a window that fits lies wholly inside it, centred.
void DialogsTest::windows_are_centred_inside_the_available_area() {
    QFETCH(QSize, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, expected);
    const QPoint place = CentredInside(frame, available);
    QCOMPARE(place, expected);
    QVERIFY(available.contains(place));
    if (frame.width() <= available.width() && frame.height() <= available.height())
        QVERIFY(available.contains(QRect(place, frame)));
}

void DialogsTest::scrolled_size_data() {
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("room");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("fits exactly") << QSize(759, 763) << QSize(759, 763) << QSize(759, 763);
    QTest::newRow("too tall: a bar down the side")
        << QSize(759, 763) << QSize(1272, 684) << QSize(773, 684);
    QTest::newRow("too tall, no room for the bar")
        << QSize(759, 763) << QSize(766, 684) << QSize(766, 684);
    // The bar along the bottom takes the last rows, so the page needs a bar down too.
    QTest::newRow("too wide, and then too tall")
        << QSize(759, 400) << QSize(600, 410) << QSize(600, 410);
    QTest::newRow("too large both ways") << QSize(759, 763) << QSize(632, 476) << QSize(632, 476);
}

// The size never leaves the room, and shows the whole page whenever the room holds it.
void DialogsTest::scrolled_size() {
    QFETCH(QSize, page);
    QFETCH(QSize, room);
    QFETCH(QSize, expected);
    QCOMPARE(ScrolledSize(page, room, 14), expected);
}

// Each window lies wholly on the available area. Where the screen holds it, the rules
// window shows its whole page, as designed; where it does not, the page scrolls.
void DialogsTest::every_dialog_fits_inside_the_available_area() {
    BoardSizeDialog size(BoardSizeDialog::Use::ChooseSize);
    BoardSizeDialog offering(BoardSizeDialog::Use::ChooseSize, std::nullopt,
                             QString::fromUtf8("Continue 13 × 13, Difficult, move 41"));
    BoardSizeDialog about(BoardSizeDialog::Use::About);
    RulesWindow rules;
    for (QWidget* window : std::initializer_list<QWidget*>{&size, &offering, &about, &rules}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect available = window->screen()->availableGeometry();
        QVERIFY2(available.contains(window->frameGeometry()), qPrintable(window->windowTitle()));
    }
    const QScrollArea* area = PageArea(rules);
    const QRect available = rules.screen()->availableGeometry();
    const bool roomy = available.width() >= 1024 && available.height() >= 1024;
    const bool whole = rules.size() == rules.PageSize() && area->viewport()->size() == rules.size();
    if (roomy) QVERIFY(whole);
    if (available.height() < rules.PageSize().height()) {
        QVERIFY(!whole);
        QVERIFY(area->verticalScrollBar()->isVisible());
    }
}

QTEST_MAIN(DialogsTest)
#include "dialogs-test.moc"
