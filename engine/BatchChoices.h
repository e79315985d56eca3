#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

// What the person chose for a batch: the output folder and the four settings, each read afresh when it is
// used.
class BatchChoices {
  public:
    virtual ~BatchChoices() = default;

    virtual QString OutputFolder() const = 0;
    virtual EncoderOptions ConversionOptions() const = 0;
};
