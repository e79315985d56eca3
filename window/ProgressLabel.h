#pragma once

#include <QLabel>

// The percentage over the progress track. To screen readers it is the progress bar itself: named after the
// track's caption, with the conversion's percentage as its value and where the batch is as its description.
class ProgressLabel : public QLabel {
    Q_OBJECT

  public:
    ProgressLabel(const QString& text, QWidget* parent);

    int Value() const { return m_value; }
    void SetValue(int percent);
    // Where the batch is ("第 2 个，共 5 个 · 剩余约 1 分 20 秒"), as a tooltip and the accessible
    // description.
    void SetDetail(const QString& detail);
    // Has screen readers say what the label says now, wherever the focus is.
    void Announce();

  private:
    int m_value = 0;
};
