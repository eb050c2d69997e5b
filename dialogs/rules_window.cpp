#include "dialogs/rules_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "dialogs/window_place.h"

namespace orbel {

namespace {

constexpr const char* kPage[] = {
    " 1. The first player to arrange 5 (or more than 5) orbels of his color successively in a row ",
    "    either horizontally/vertically/diagonally wins the game.",
    "",
    " 2. At your turn, you should place a orbel of yours at any vacancy which is ",
    "    adjacent to the orbels already placed on the board, and then ",
    "    you should push one of the adjacent orbels by one step",
    "    with the orbel just placed. ",
    "",
    " 3. You can not push orbels out of the board.",
    "",
    " 4. The first move of the game is to place a orbel at any place on the board. ",
    "",
    " 5. If the lines of 5 orbels for both players are simultaneously made, ",
    "    the game draws. ",
    "",
    " 6. To compensate for the advantage of the player who makes the first move,  ",
    "    his condition for win is restricted to making the line of 5 (not more than 5) ",
    "    orbels only horizontally or vertically. ",
    "",
    "",
    "  Orbel Five is a board game for two players, Red and Blue, who place and push orbels.",
    "  It is played on a square board of 5 x 5 up to 17 x 17 cells; no orbel may rest on",
    "  the outer ring of cells.",
    "",
    "",
    // Room for a contact notice, kept blank.
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "  Playing this program",
    "  A move takes three clicks: choose an empty cell next to an orbel (it flashes), click",
    "  an arrow to place your orbel there and push in that direction, then confirm the push",
    "  with another click on an arrow or on the centre of the arrows.",
    "  The program makes Red's first move on the centre cell; you play Blue. To play Red,",
    "  click Red's orbel before the first move.",
    "",
    "  With the keyboard: the arrow keys move the dashed focus cell and Enter or Space",
    "  chooses it; the arrow keys then pick the push and Enter or Space confirms it. Escape",
    "  takes a push back, or before a push lets the arrow keys move the focus cell again.",
    "  R or B before the first move plays Red or Blue, and C lets the computer move while",
    "  no cell is chosen, as clicks on the orbels and on the centre of the arrows do.",
    "",
    "  A dot marks the cell where the last move placed its orbel, a ring where that orbel",
    "  stands now. When a game is won, a frame marks every orbel of the winning line.",
    "",
    "  The Level menu sets how far the computer looks ahead, from Easy to God. At Two Player",
    "  two people share the board and the computer never moves by itself.",
    "",
    "  Hint (H) makes the best move the computer finds for the side to move. Undo (Ctrl+Z)",
    "  takes back your push until you confirm it. Backward (Ctrl+Left or Page Up) takes back",
    "  the last completed move; Forward (Ctrl+Right or Page Down) replays the next move of a",
    "  game read from a file. A side that cannot move loses.",
};

// The OK button sits in the blank lines below the description of the game.
constexpr int kButtonLine = 27;
constexpr int kClientWidth = 11388;
constexpr int kClientHeight = 8436;

}  // namespace

std::span<const char* const> RulesPage() {
    return kPage;
}

RulesWindow::RulesWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frm_Rules"));
    setWindowTitle(QStringLiteral("Orbel Five Game Rules"));
    setModal(true);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    page.setColor(QPalette::WindowText, Qt::black);
    setPalette(page);
    setAutoFillBackground(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btn_OK"));
    ok->setFont(QFont());
    ok->setGeometry(Twips(7920), (kButtonLine - 1) * LineHeight(), Twips(1095), Twips(405));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Every line stays in view, however wide the font draws it.
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const char* line : kPage)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(line)));
    const int lines = static_cast<int>(std::size(kPage));
    setFixedSize(std::max(Twips(kClientWidth), widest + metrics.averageCharWidth()),
                 std::max(Twips(kClientHeight), lines * LineHeight() + LineHeight() / 2));

    CentreOnScreen(*this);
}

int RulesWindow::LineHeight() const {
    return QFontMetrics(font()).lineSpacing();
}

int RulesWindow::Twips(int twips) const {
    return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0));
}

// Always from the top-left corner: the page never scrolls.
void RulesWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(Qt::black);
    const int ascent = QFontMetrics(font()).ascent();
    int top = 0;
    for (const char* line : kPage) {
        painter.drawText(0, top + ascent, QString::fromUtf8(line));
        top += LineHeight();
    }
}

}  // namespace orbel
