#pragma once

#include <QLabel>

// A one-line label that shows a text too long for it with its middle left
// out, so that both the start of a path and the file name stay in sight.
// text() stays the whole text, which is also what a screen reader reads.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

    // The text as painted in the label's present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
