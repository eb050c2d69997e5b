// The board-size window: the program's first window, the board-size dialog and the About
// window in one.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QLabel;
class QPushButton;

namespace orbel {

class BoardSizeDialog final : public QDialog {
    Q_OBJECT

  public:
    // ChooseSize offers the seven sizes and is modal; About hides them and is not.
    enum class Use { ChooseSize, About };

    // `focusedSize`, one of the seven (the size the player chose last time), has the focus
    // first; without one the first size has it. Enter or Space starts the size that has the
    // focus, and the default button's frame follows the focus. A `continueText` (used only
    // to choose a size) offers one more choice below the sizes, a game to go on with, which
    // then has the focus; the window grows by its row.
    explicit BoardSizeDialog(Use use, std::optional<int> focusedSize = std::nullopt,
                             const QString& continueText = {}, QWidget* parent = nullptr);

    Use use() const { return use_; }
    // The size clicked, if any.
    std::optional<int> ChosenSize() const { return chosen_; }
    // The game offered was chosen.
    bool ContinueChosen() const { return continued_; }

  signals:
    void sizeChosen(int size);
    void continueChosen();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel* AddLabel(const char* name, const QString& text, int left, int top, int width,
                     int height);
    void FitLabelsToText();
    void FocusSize(int size);
    void btn_GameSize_Click(int index);

    Use use_;
    std::optional<int> chosen_;
    bool continued_ = false;
    int continueRow_ = 0;  // the twips the row of the game offered adds, 0 without one
    QLabel* gameSizeLabel_ = nullptr;
    std::array<QPushButton*, 7> sizeButtons_ = {};
};

}  // namespace orbel
