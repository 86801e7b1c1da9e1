#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider
// than the button, as long captions of the window need.
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    // Sets the caption, and the name a screen reader reads: the same words
    // with each line break read as a space.
    void setCaption(const QString& caption);

    // The caption as drawn: a hyphen stays with the word after it, so that
    // "Tulorekisteri_ -taulut" never breaks into "Tulorekisteri_ -" / "taulut".
    static QString drawnCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
};
