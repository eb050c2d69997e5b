#include "dialogs/rules_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/design_units.h"
#include "ui/window_place.h"

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
    "",
    "  Analysis (A) opens a panel beside the board with the computer's view of the position",
    "  and the game; A again closes it.",
};

// The OK button sits in the blank lines below the description of the game.
constexpr int kButtonLine = 27;
constexpr int kClientWidth = 11388;
constexpr int kClientHeight = 8436;

// The page, drawn from its top-left corner however it is scrolled.
class PageView final : public QWidget {
  public:
    explicit PageView(int lineHeight) : lineHeight_(lineHeight) { setAutoFillBackground(true); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(Qt::black);
        const int ascent = QFontMetrics(font()).ascent();
        int top = 0;
        for (const char* line : kPage) {
            painter.drawText(0, top + ascent, QString::fromUtf8(line));
            top += lineHeight_;
        }
    }

  private:
    int lineHeight_;
};

}  // namespace

std::span<const char* const> RulesPage() {
    return kPage;
}

RulesWindow::RulesWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frm_Rules"));
    setWindowTitle(QStringLiteral("Orbel Five Game Rules"));
    setModal(true);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    auto* page = new PageView(LineHeight());
    page->setObjectName(QStringLiteral("pic_Page"));
    page->setMinimumSize(PageSize());
    auto* ok = new QPushButton(QStringLiteral("OK"), page);
    ok->setObjectName(QStringLiteral("btn_OK"));
    ok->setFont(QFont());
    ok->setGeometry(TwipsToPixels(7920, *this), (kButtonLine - 1) * LineHeight(),
                    TwipsToPixels(1095, *this), TwipsToPixels(405, *this));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* area = new QScrollArea;
    area->setObjectName(QStringLiteral("scr_Page"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins());
    layout->addWidget(area);
    // OK first, as it always was; Tab reaches the page, whose keys scroll it.
    ok->setFocus();

    const int scrollBarExtent = area->verticalScrollBar()->sizeHint().width();
    OpenOnScreen(scrollBarExtent);
    // A window manager's frame may be larger than the one allowed for.
    RefitOnceFramed(*this, [this, scrollBarExtent] { OpenOnScreen(scrollBarExtent); });
}

int RulesWindow::LineHeight() const {
    return QFontMetrics(font()).lineSpacing();
}

// Every line stays in view, however wide the font draws it.
QSize RulesWindow::PageSize() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const char* line : kPage)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(line)));
    const int lines = static_cast<int>(std::size(kPage));
    return {std::max(TwipsToPixels(kClientWidth, *this), widest + metrics.averageCharWidth()),
            std::max(TwipsToPixels(kClientHeight, *this), lines * LineHeight() + LineHeight() / 2)};
}

// The whole page where the screen has room for it; otherwise the window takes what room
// there is, frame included, and the page scrolls.
void RulesWindow::OpenOnScreen(int scrollBarExtent) {
    const QSize page = PageSize();
    resize(ScrolledSize(page, RoomOnScreen(*this), scrollBarExtent));
    CentreOnScreen(*this);
}

}  // namespace orbel
