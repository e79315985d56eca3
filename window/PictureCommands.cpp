#include "window/PictureCommands.h"

#include "window/SkinImage.h"

#include <QCoreApplication>

PictureCommands::PictureCommands(const Skin& skin, const std::array<SkinImage*, 3>& imgButton,
                                 const std::array<SkinImage*, 4>& settingButtons, SkinImage* imgBrowse,
                                 SkinImage* lblWeb, QObject* parent)
    : QObject(parent), m_skin(skin), imgButton(imgButton), m_settingButtons(settingButtons),
      imgBrowse(imgBrowse), lblWeb(lblWeb) {
    for (int i = 0; i < int(imgButton.size()); ++i) {
        connect(imgButton[i], &SkinImage::MouseMove, this, [this, i] { imgButton_MouseMove(i); });
        connect(imgButton[i], &SkinImage::MouseDown, this, [this, i] { imgButton_MouseDown(i); });
        connect(imgButton[i], &SkinImage::MouseUp, this, [this, i] { imgButton_MouseUp(i); });
    }
    for (SkinImage* button : settingButtons) {
        connect(button, &SkinImage::MouseMove, this, [this, button] { button->Show(m_skin.imgButtonMove); });
        connect(button, &SkinImage::MouseDown, this, [this, button] { button->Show(m_skin.imgButtonPush1); });
    }
    connect(imgBrowse, &SkinImage::MouseMove, this, [this] { this->imgBrowse->Show(m_skin.imgBrowseMove); });
    connect(imgBrowse, &SkinImage::MouseDown, this, [this] { this->imgBrowse->Show(m_skin.imgBrowsePush); });
    connect(lblWeb, &SkinImage::MouseMove, this, [this] { SetTextColour(this->lblWeb, Qt::black); });
}

void PictureCommands::ResetPictures() {
    for (SkinImage* button : imgButton)
        button->Show({});
    SetTextColour(lblWeb, kLinkBlue);
    for (SkinImage* option : m_settingButtons)
        option->Show(m_skin.imgButtonNormal);
    imgBrowse->Show(m_skin.imgBrowseNormal);
}

void PictureCommands::imgButton_MouseMove(int Index) {
    if (bButtonDown)
        return;
    for (SkinImage* button : imgButton)
        button->Show({});
    imgButton[Index]->Show(m_skin.imgButtonData[Index]);
}

void PictureCommands::imgButton_MouseDown(int Index) {
    for (SkinImage* button : imgButton)
        button->Show({});
    imgButton[Index]->Show(m_skin.imgButtonPush[Index]);
    bButtonDown = true;
}

void PictureCommands::imgButton_MouseUp(int Index) {
    for (SkinImage* button : imgButton)
        button->Show({});
    if (!bFromMenuMsg && Index >= 0 && Index < int(imgButton.size()))
        imgButton[Index]->Show(m_skin.imgButtonData[Index]);
    bFromMenuMsg = false;
    // Paint the new pictures before the command's own work (for Add, before its dialog opens).
    QCoreApplication::processEvents();
    bButtonDown = false;
    if (Index >= 0 && Index < int(imgButton.size()))
        emit Run(Index);
}
