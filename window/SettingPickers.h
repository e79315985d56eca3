#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

#include <array>

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

    // Each list and its picture carry their member's name as their object name.
    QComboBox* cmbVBR;
    QComboBox* cmbSize;
    QComboBox* cmbFPS;
    QComboBox* cmbAB;
    SkinImage* picVBR;
    SkinImage* picSize;
    SkinImage* picFPS;
    SkinImage* picAB;

    // The lists and their pictures in the order of `Setting`.
    std::array<QComboBox*, kSettingCount> Lists() const { return {cmbVBR, cmbSize, cmbFPS, cmbAB}; }
    std::array<SkinImage*, kSettingCount> Arrows() const { return {picVBR, picSize, picFPS, picAB}; }

    // What they are set to, as the encoder takes it.
    EncoderOptions Options() const;
};
