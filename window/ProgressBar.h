#pragma once

#include "window/Skin.h"

#include <functional>

class ProgressLabel;
class QMenu;
class QPoint;
class QWidget;
class SkinImage;

// The window's progress display: the fill growing along its track, the percentage over it (to screen
// readers the progress bar itself), where the batch is as the tooltip of both, and the bar's context menu,
// whose one command, 停止转换…, asks to stop the batch.
class ProgressBar {
  public:
    ProgressBar(QWidget* window, const SkinPicture& fill, std::function<void()> askToStop);

    SkinImage* const imgPB;
    ProgressLabel* const lblPB;

    // How far the current file is, from 0 to 1, and the text over the bar.
    void Show(double fraction, const QString& text);
    // Where the batch is; empty once it has ended.
    void ShowPlace(const QString& place);
    // The bar's menu at `globalPos`, its command offered only while a batch `running`.
    void ShowMenu(const QPoint& globalPos, bool running);

  private:
    QMenu* const m_menu;
};
