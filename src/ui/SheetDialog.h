#pragma once

#include <QDialog>

// A modal sheet over a window: a frameless, rounded dark card that blocks its
// parent's window while it is open and is centred over it.
class SheetDialog : public QDialog {
    Q_OBJECT

public:
    explicit SheetDialog(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
