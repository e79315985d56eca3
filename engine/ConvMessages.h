#pragma once

#include "conv/ConvProtocol.h"

#include <QString>

// The sentence a person reads for a failure conv names by its code: the one table of them, read by the
// window's batch and by conv itself for whoever runs it by hand. Rewording one changes no code.
QString FailureSentence(ConvFailure failure);
