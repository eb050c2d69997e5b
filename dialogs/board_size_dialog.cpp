#include "dialogs/board_size_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "orbel_version.h"
#include "ui/design_units.h"
#include "ui/window_place.h"

namespace orbel {

namespace {

constexpr int kClientWidth = 5688;
constexpr int kClientHeight = 4128;
constexpr int kIconTwips = 384;
constexpr int kFrameMargin = 240;
constexpr int kDividerTop = 1425;
constexpr int kDividerLeft = 975;
constexpr int kDividerRight = 5010;
constexpr int kSizes[7] = {5, 7, 9, 11, 13, 15, 17};
// The game offered to go on with: a button as wide as the row of sizes, below it.
constexpr TwipsRect kContinuePlace = {600, 2880, 4100, 420};
constexpr int kContinueRow = 540;

}  // namespace

BoardSizeDialog::BoardSizeDialog(Use use, std::optional<int> focusedSize,
                                 const QString& continueText, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      use_(use) {
    setObjectName(QStringLiteral("frm_GameSize"));
    setWindowTitle(QStringLiteral("About Orbel Five"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("img_Icon"));
    icon->setGeometry(TwipsToPixels(TwipsRect{240, 360, kIconTwips, kIconTwips}, *this));
    const int iconSide = TwipsToPixels(kIconTwips, *this);
    icon->setPixmap(
        QApplication::windowIcon().pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));

    QLabel* program = AddLabel("lbl_Program", QStringLiteral("Orbel Five  "), 996, 276, 2376, 576);
    QFont large = bold;
    large.setPointSize(24);
    program->setFont(large);
    AddLabel("lbl_Title", QStringLiteral("A board game of placing and pushing orbels"), 990, 840,
             4305, 240);
    AddLabel("lbl_Author", QStringLiteral("Version %1").arg(QLatin1String(kVersion)), 1560, 1116,
             2328, 240);
    AddLabel("lbl_Mode", QStringLiteral("Against the computer or for two players"), 1008, 1560,
             3804, 240);
    QFont plain = QApplication::font();
    plain.setPointSize(9);
    AddLabel("lbl_Mem", QString(), 1005, 1785, 3345, 240)->setFont(plain);
    AddLabel("lbl_Math", QString(), 1005, 2025, 3345, 240)->setFont(plain);
    gameSizeLabel_ =
        AddLabel("lbl_GameSize", QStringLiteral("Select Board Size"), 1560, 2040, 2052, 252);

    for (int index = 0; index < 7; ++index) {
        auto* button = new QPushButton(QString::number(kSizes[index]), this);
        button->setObjectName(QStringLiteral("btn_GameSize_%1").arg(index));
        button->setGeometry(TwipsToPixels(TwipsRect{600 + 600 * index, 2280, 500, 500}, *this));
        // The size with the focus is the default: Enter starts it, as Space does.
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, this, [this, index] { btn_GameSize_Click(index); });
        sizeButtons_[index] = button;
    }

    QPushButton* continueButton = nullptr;
    if (use_ == Use::ChooseSize && !continueText.isEmpty()) {
        continueRow_ = kContinueRow;
        continueButton = new QPushButton(continueText, this);
        continueButton->setObjectName(QStringLiteral("btn_Continue"));
        QRect place = TwipsToPixels(kContinuePlace, *this);
        place.setWidth(std::max(place.width(), continueButton->sizeHint().width()));
        continueButton->setGeometry(place);
        continueButton->setAutoDefault(true);
        connect(continueButton, &QPushButton::clicked, this, [this] {
            continued_ = true;
            emit continueChosen();
            accept();
        });
    }

    const int shift = continueRow_;
    AddLabel("Label2", QStringLiteral("This program is based on the frame programs "), 480,
             2880 + shift, 4992, 240);
    AddLabel("Label1", QStringLiteral("of the Orbel Five board game."), 480, 3120 + shift, 4992,
             240);
    AddLabel("Label3", QStringLiteral("1024 x 768 pixels and 120 dpi recommended. "), 360,
             3480 + shift, 5055, 615);

    if (use_ == Use::About) {
        for (QPushButton* button : sizeButtons_) button->hide();
        gameSizeLabel_->hide();
    } else if (continueButton) {
        // Going on is the likely choice: Enter takes it.
        continueButton->setDefault(true);
        continueButton->setFocus();
    } else if (focusedSize) {
        FocusSize(*focusedSize);
    }
    setModal(use_ == Use::ChooseSize);
    FitLabelsToText();

    CentreOnScreen(*this);
}

// The designed widths suit a narrow font; with a wider one a label grows to the right
// rather than cut its text, and the window grows with it, as it does for a long game offered.
void BoardSizeDialog::FitLabelsToText() {
    const int margin = TwipsToPixels(kFrameMargin, *this);
    int right = TwipsToPixels(kClientWidth, *this);
    for (QLabel* label : findChildren<QLabel*>()) {
        const QSize wanted = label->sizeHint();
        label->resize(std::max(label->width(), wanted.width()),
                      std::max(label->height(), wanted.height()));
        right = std::max(right, label->geometry().right() + 1 + margin);
    }
    if (const auto* offered = findChild<QPushButton*>(QStringLiteral("btn_Continue")))
        right = std::max(right, offered->geometry().right() + 1 + margin);
    setFixedSize(right, TwipsToPixels(kClientHeight + continueRow_, *this));
}

void BoardSizeDialog::FocusSize(int size) {
    const auto* found = std::find(std::begin(kSizes), std::end(kSizes), size);
    if (found == std::end(kSizes)) return;
    QPushButton* button = sizeButtons_[found - std::begin(kSizes)];
    button->setDefault(true);
    button->setFocus();
}

QLabel* BoardSizeDialog::AddLabel(const char* name, const QString& text, int left, int top,
                                  int width, int height) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(TwipsToPixels(TwipsRect{left, top, width, height}, *this));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// With no other window open, leaving the size window ends the program: only a size or the
// frame's close button may do that, never a stray Escape.
void BoardSizeDialog::keyPressEvent(QKeyEvent* event) {
    if (use_ == Use::ChooseSize && event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void BoardSizeDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int top = TwipsToPixels(kDividerTop, *this);
    painter.drawLine(TwipsToPixels(kDividerLeft, *this), top, TwipsToPixels(kDividerRight, *this),
                     top);
}

void BoardSizeDialog::btn_GameSize_Click(int index) {
    chosen_ = kSizes[index];
    emit sizeChosen(kSizes[index]);
    accept();
}

}  // namespace orbel
