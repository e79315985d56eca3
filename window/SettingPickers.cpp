#include "window/SettingPickers.h"

#include "window/SkinImage.h"
#include "window/WindowLayout.h"

#include <QComboBox>
#include <QLabel>

namespace {
QComboBox* settingList(QWidget* window, const SettingList& list, const QRect& geometry, const char* caption,
                       const QRect& captionPlace) {
    auto* combo = new QComboBox(window);
    combo->addItems(list.entries);
    combo->setGeometry(geometry);
    combo->setMaxVisibleItems(list.entries.size());
    combo->setCurrentIndex(list.defaultPosition);
    AddReaderCaption(window, QString::fromUtf8(caption), captionPlace, combo);
    return combo;
}

SkinImage* arrowButton(QWidget* window, QComboBox* list) {
    auto* button = new SkinImage(window);
    button->setGeometry(layout::kSettingButton.translated(list->geometry().topLeft()));
    QObject::connect(button, &SkinImage::MouseUp, list, &QComboBox::showPopup);
    return button;
}
} // namespace

void AddReaderCaption(QWidget* window, const QString& text, const QRect& place, QWidget* field) {
    auto* label = new QLabel(text, window);
    label->setGeometry(place);
    SetTextColour(label, Qt::transparent);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setBuddy(field);
}

SettingPickers::SettingPickers(QWidget* window)
    : cmbVBR(settingList(window, ConversionSettings::VideoBitRate(), layout::kVideoBitRate,
                         "视频比特率 (Kbps)", layout::kVideoBitRateCaption)),
      cmbSize(settingList(window, ConversionSettings::FrameSize(), layout::kFrameSize, "屏幕尺寸 (W x H)",
                          layout::kFrameSizeCaption)),
      cmbFPS(settingList(window, ConversionSettings::FrameRate(), layout::kFrameRate, "帧率 (FPS)",
                         layout::kFrameRateCaption)),
      cmbAB(settingList(window, ConversionSettings::AudioBitRate(), layout::kAudioBitRate,
                        "音频比特率 (Kbps)", layout::kAudioBitRateCaption)),
      picVBR(arrowButton(window, cmbVBR)), picSize(arrowButton(window, cmbSize)),
      picFPS(arrowButton(window, cmbFPS)), picAB(arrowButton(window, cmbAB)) {}

EncoderOptions SettingPickers::Options() const {
    return {cmbVBR->currentText().trimmed(), cmbFPS->currentText().trimmed(),
            cmbSize->currentText().trimmed(), cmbAB->currentText().trimmed()};
}
