#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider
// than the button, as long captions of the window need.
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
