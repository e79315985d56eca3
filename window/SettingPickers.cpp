#include "window/SettingPickers.h"

#include "window/SkinImage.h"
#include "window/WindowLayout.h"

#include <QComboBox>
#include <QLabel>

namespace {
static_assert(layout::kSettingLists.size() == kSettingCount &&
              layout::kSettingCaptions.size() == kSettingCount);

QComboBox* settingList(QWidget* window, Setting setting) {
    const SettingDefinition& definition = ConversionSettings::Of(setting);
    const auto index = static_cast<std::size_t>(setting);
    auto* combo = new QComboBox(window);
    combo->setObjectName(QStringLiteral("cmb") + definition.name);
    combo->addItems(definition.entries);
    combo->setGeometry(layout::kSettingLists[index]);
    combo->setMaxVisibleItems(definition.entries.size());
    combo->setCurrentIndex(definition.defaultPosition);
    AddReaderCaption(window, definition.caption, layout::kSettingCaptions[index], combo);
    return combo;
}

SkinImage* arrowButton(QWidget* window, Setting setting, QComboBox* list) {
    auto* button = new SkinImage(window);
    button->setObjectName(QStringLiteral("pic") + ConversionSettings::Of(setting).name);
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
    : cmbVBR(settingList(window, Setting::VideoBitRate)), cmbSize(settingList(window, Setting::FrameSize)),
      cmbFPS(settingList(window, Setting::FrameRate)), cmbAB(settingList(window, Setting::AudioBitRate)),
      picVBR(arrowButton(window, Setting::VideoBitRate, cmbVBR)),
      picSize(arrowButton(window, Setting::FrameSize, cmbSize)),
      picFPS(arrowButton(window, Setting::FrameRate, cmbFPS)),
      picAB(arrowButton(window, Setting::AudioBitRate, cmbAB)) {}

EncoderOptions SettingPickers::Options() const {
    EncoderOptions options;
    const auto lists = Lists();
    for (std::size_t i = 0; i < kSettingCount; ++i)
        options[Setting(i)] = lists[i]->currentText().trimmed();
    return options;
}
