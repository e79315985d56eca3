#pragma once

#include <QRect>

#include <array>

// Where everything lies in the window, in pixels at 100 % display scale: the one source of the window's
// geometry for the window itself, the tool that draws the skin, and the tests that look or click. One
// rectangle a line, `kName{left, top, width, height}`, so that a script can read it too.
namespace layout {

inline constexpr QSize kWindow{294, 420};

// The title bar's marks.
inline constexpr QRect kMinimise{252, 8, 13, 13};
inline constexpr QRect kExit{272, 8, 11, 13};
inline constexpr QRect kVersion{130, 9, 70, 14};

// The queue's commands: Add, Remove, Convert.
inline constexpr QRect kAddButton{10, 32, 86, 30};
inline constexpr QRect kRemoveButton{102, 32, 86, 30};
inline constexpr QRect kConvertButton{195, 32, 86, 30};

inline constexpr QRect kQueueCaption{14, 87, 130, 15};
inline constexpr QRect kQueue{13, 106, 269, 86};
inline constexpr int kQueueNameWidth = 176, kQueueTypeWidth = 93;
// The hint over an empty queue, and its text inside it.
inline constexpr QRect kDropHint{56, 140, 177, 21};
inline constexpr QRect kDropHintText{4, 4, 171, 13};

// The four settings, each under its caption.
inline constexpr QRect kVideoBitRateCaption{14, 204, 130, 15};
inline constexpr QRect kVideoBitRate{14, 222, 125, 22};
inline constexpr QRect kFrameSizeCaption{156, 204, 130, 15};
inline constexpr QRect kFrameSize{156, 222, 125, 22};
inline constexpr QRect kFrameRateCaption{14, 250, 130, 15};
inline constexpr QRect kFrameRate{14, 268, 125, 22};
inline constexpr QRect kAudioBitRateCaption{156, 250, 130, 15};
inline constexpr QRect kAudioBitRate{156, 268, 125, 22};
// The same in the order of the settings' table (engine/ConversionSettings.h).
inline constexpr std::array<QRect, 4> kSettingLists{kVideoBitRate, kFrameSize, kFrameRate, kAudioBitRate};
inline constexpr std::array<QRect, 4> kSettingCaptions{kVideoBitRateCaption, kFrameSizeCaption,
                                                       kFrameRateCaption, kAudioBitRateCaption};
// The picture over a setting's arrow, placed from the setting's top left corner.
inline constexpr QRect kSettingButton{106, 1, 18, 19};

inline constexpr QRect kOutputFolderCaption{14, 301, 130, 15};
inline constexpr QRect kOutputFolder{14, 320, 222, 22};
inline constexpr QRect kBrowse{238, 319, 42, 22};

inline constexpr QRect kProgressCaption{14, 352, 130, 15};
// The progress bar at its full length, and the percentage over it.
inline constexpr QRect kProgressBar{16, 371, 264, 11};
inline constexpr QRect kProgressText{96, 370, 103, 13};

inline constexpr QRect kLink{74, 398, 144, 14};

// The command box other programs type into: outside the window, never seen.
inline constexpr QRect kCommandBox{474, 64, 121, 21};

// The frame drawn around a field, a pixel outside it on every side.
constexpr QRect FieldFrame(const QRect& field) {
    return field.adjusted(-1, -1, 1, 1);
}

// The baseline of a caption's text.
constexpr int CaptionBaseline(const QRect& caption) {
    return caption.top() + 12;
}

} // namespace layout
