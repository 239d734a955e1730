#pragma once

#include <QWidget>

namespace korvalen {

// A pair of arrow buttons that step a number within bounds, as a spin box without its edit.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(int min, int max, int step, int position, QWidget* parent = nullptr);
    int Position() const { return position_; }
    void SetPosition(int position);  // clamped; emits changed when it moves
    void StepUp() { SetPosition(position_ + step_); }
    void StepDown() { SetPosition(position_ - step_); }

signals:
    void changed(int position);

private:
    int min_, max_, step_, position_;
};

}  // namespace korvalen
