#pragma once

#include "window/Skin.h"

#include <QObject>

#include <array>

class SkinImage;

// How the window's picture commands look under the pointer. A queue command (0 Add, 1 Remove, 2 Convert)
// lights up while the pointer is over it, one at a time, and stays pressed from press to release wherever
// the pointer goes meanwhile; the settings' and the folder's buttons light and press the same way; the link
// turns black under the pointer; the bare background puts everything back.
class PictureCommands : public QObject {
    Q_OBJECT

  public:
    PictureCommands(const Skin& skin, const std::array<SkinImage*, 3>& imgButton,
                    const std::array<SkinImage*, 4>& settingButtons, SkinImage* imgBrowse, SkinImage* lblWeb,
                    QObject* parent);

    // Every picture as it is with the pointer away.
    void ResetPictures();
    // The release of a queue command: the pictures, then Run(Index).
    void imgButton_MouseUp(int Index);

    bool bButtonDown = false;
    // The next release comes from the keyboard or the command box, not the pointer: it lights no button.
    bool bFromMenuMsg = false;

  signals:
    void Run(int Index);

  private:
    void imgButton_MouseMove(int Index);
    void imgButton_MouseDown(int Index);

    const Skin& m_skin;
    const std::array<SkinImage*, 3> imgButton;
    const std::array<SkinImage*, 4> m_settingButtons;
    SkinImage* const imgBrowse;
    SkinImage* const lblWeb;
};
