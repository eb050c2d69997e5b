// The rules of the game, drawn line by line on a white page with an OK button.
#pragma once

#include <QDialog>
#include <span>

class QPushButton;

namespace orbel {

// The page, one entry per line; an empty entry is a blank line.
std::span<const char* const> RulesPage();

class RulesWindow final : public QDialog {
    Q_OBJECT

  public:
    explicit RulesWindow(QWidget* parent = nullptr);

    // Line `line` (from 1) occupies the band from (line - 1) * LineHeight() downward.
    int LineHeight() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace orbel
