#pragma once

#include <QProgressBar>

// The thin bar under a password box that rates what is typed: 0 to 100, no border, no caption.
// The colour runs from red at the left end to green at the right across the whole bar, so a
// weak password shows only red and a strong one reaches green.
class StrengthBar : public QProgressBar {
    Q_OBJECT
public:
    explicit StrengthBar(QWidget* parent = nullptr);

    // Shows the rating of this password.
    void rate(const QString& password);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
