#include "engine/ConvMessages.h"

QString FailureSentence(ConvFailure failure) {
    switch (failure) {
    case ConvFailure::NotAVideo:
        return QStringLiteral("不是视频文件，或不支持这种格式。");
    case ConvFailure::Damaged:
        return QStringLiteral("文件已损坏或不完整。");
    case ConvFailure::SoundOnly:
        return QStringLiteral("文件中只有声音，没有视频画面。");
    case ConvFailure::CoverOnly:
        return QStringLiteral("文件中只有封面图片和声音，没有视频画面。");
    case ConvFailure::NoVideo:
        return QStringLiteral("文件中没有视频画面。");
    case ConvFailure::CannotRead:
        return QStringLiteral("无法读取源文件。");
    case ConvFailure::DiskFull:
        return QStringLiteral("磁盘已满，无法写入输出文件。");
    case ConvFailure::NoPermission:
        return QStringLiteral("没有权限写入输出文件。");
    case ConvFailure::CannotWrite:
        return QStringLiteral("无法写入输出文件。");
    case ConvFailure::Stopped:
        return QStringLiteral("转换已停止。");
    case ConvFailure::NoFfmpeg:
        return QStringLiteral("找不到 ffmpeg 程序。");
    case ConvFailure::CannotStartFfmpeg:
        return QStringLiteral("无法启动 ffmpeg。");
    case ConvFailure::OutputExists:
        return QStringLiteral("输出文件已存在。");
    case ConvFailure::OutputIsInput:
        return QStringLiteral("输出文件不能是源文件本身。");
    case ConvFailure::BadSettings:
        return QStringLiteral("转换设置无效。");
    case ConvFailure::Other:
        break;
    }
    return QStringLiteral("转换失败。");
}
