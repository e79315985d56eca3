#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

class QComboBox;
class QRect;
class QWidget;
class SkinImage;

// Names `field` to screen readers by a see-through label over `place`, where the background draws its
// caption; the pointer passes through it to the background.
void AddReaderCaption(QWidget* window, const QString& text, const QRect& place, QWidget* field);

// The four conversion settings, each a list under its caption with the skin's picture over its arrow, which
// opens it. They start at their defaults.
struct SettingPickers {
    explicit SettingPickers(QWidget* window);

    QComboBox* cmbVBR;
    QComboBox* cmbSize;
    QComboBox* cmbFPS;
    QComboBox* cmbAB;
    SkinImage* picVBR;
    SkinImage* picSize;
    SkinImage* picFPS;
    SkinImage* picAB;

    // What they are set to, as the encoder takes it.
    EncoderOptions Options() const;
};
