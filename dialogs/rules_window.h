// The rules of the game, drawn line by line on a white page with an OK button.
#pragma once

#include <QDialog>
#include <QSize>
#include <span>

namespace orbel {

// The page, one entry per line; an empty entry is a blank line.
std::span<const char* const> RulesPage();

// Opens showing the whole page where the screen has room for it. Where it has not, and when
// the player makes the window smaller, the page scrolls; no line is ever out of reach.
class RulesWindow final : public QDialog {
    Q_OBJECT

  public:
    explicit RulesWindow(QWidget* parent = nullptr);

    // Line `line` (from 1) occupies the band from (line - 1) * LineHeight() downward.
    int LineHeight() const;
    // Every line of the page, and at least the designed client area.
    QSize PageSize() const;

  private:
    void OpenOnScreen(int scrollBarExtent);
};

}  // namespace orbel
