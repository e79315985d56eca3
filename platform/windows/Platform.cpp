#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QWinEventNotifier>

#include <memory>
#include <string>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace platform {

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString ExecutableSuffix() {
    return QStringLiteral(".exe");
}

namespace {
// One job holds every child of this process. The system closes its last handle when the process ends,
// however it ends, and the job then ends everything in it.
HANDLE childJob() {
    static const HANDLE job = [] {
        const HANDLE created = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created)
            SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

// A console program gets no close message: conv waits on this event instead, named after its process.
std::wstring stopEventName(qint64 processId) {
    return L"Local\\MovikonStop-" + std::to_wstring(processId);
}

std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// A path for the calls that take one whole: past MAX_PATH only in its \\?\ form, which is taken as it stands.
std::wstring longPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.size() < MAX_PATH - 12)
        return native.toStdWString();
    return (native.startsWith(QStringLiteral("\\\\")) ? QStringLiteral("\\\\?\\UNC\\") + native.mid(2)
                                                      : QStringLiteral("\\\\?\\") + native)
        .toStdWString();
}

QString knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

bool isInside(const QString& path, const QString& folder) {
    const QString cleanFolder = QDir::cleanPath(folder);
    return !cleanFolder.isEmpty() &&
           (QDir::cleanPath(path) + u'/').startsWith(cleanFolder + u'/', Qt::CaseInsensitive);
}
} // namespace

void TieToParent(QProcess& process) {
    // Started suspended and let go only once it is in the job, so that not even its first child escapes it.
    auto starting = std::make_shared<PROCESS_INFORMATION*>(nullptr);
    process.setCreateProcessArgumentsModifier([starting](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        *starting = arguments->processInformation;
    });
    QObject::connect(&process, &QProcess::stateChanged, &process, [starting](QProcess::ProcessState state) {
        if (state != QProcess::Running || !*starting)
            return;
        if (const HANDLE job = childJob())
            AssignProcessToJobObject(job, (*starting)->hProcess);
        ResumeThread((*starting)->hThread);
        *starting = nullptr;
    });
}

bool StageSource(const QString& source, const QString& stagedPath) {
    const QFileInfo info(source);
    if (!info.isFile() || !info.isReadable())
        return false;
    const std::wstring staged = nativePath(stagedPath);
    const std::wstring original = nativePath(info.absoluteFilePath());
    // DeleteFileW removes a planted link itself, never its target.
    if (!DeleteFileW(staged.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // A second name for the same file costs no copy. A read-only source is copied instead: a link would share
    // its read-only mark, and the staged name could not be deleted afterwards without changing the source.
    const DWORD attributes = GetFileAttributesW(original.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_READONLY) && CreateHardLinkW(staged.c_str(), original.c_str(), nullptr))
        return true;
    // Across volumes, or on a file system without links.
    return CopyFileW(original.c_str(), staged.c_str(), TRUE) &&
           SetFileAttributesW(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
}

QByteArray FileIdentity(const QString& path) {
    // Opened for nothing but its identity: any sharing allowed, folders too.
    const HANDLE file =
        CreateFileW(longPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!known)
        return {};
    return QByteArray::number(quint64(information.dwVolumeSerialNumber)) + ':' +
           QByteArray::number((quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow);
}

MoveResult MoveUnlessTaken(const QString& from, const QString& to) {
    if (MoveFileExW(longPath(from).c_str(), longPath(to).c_str(), 0))
        return MoveResult::Moved;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? MoveResult::Taken
                                                                       : MoveResult::Failed;
}

bool MoveReplacing(const QString& from, const QString& to) {
    return MoveFileExW(longPath(from).c_str(), longPath(to).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool IsProcessRunning(qint64 processId) {
    if (processId <= 0 || processId > MAXDWORD)
        return false;
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(processId));
    // One of another user's, whose handle is not ours to have, runs all the same.
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void LetAnotherWindowComeForward() {
    AllowSetForegroundWindow(ASFW_ANY);
}

QString FullFolderPath(const QString& path) {
    static const QRegularExpression fromRoot(
        QStringLiteral(R"(^([A-Za-z]:[\\/]|[\\/]{2}[^\\/]+[\\/][^\\/]+))"));
    const QRegularExpressionMatch root = fromRoot.match(path);
    if (!root.hasMatch())
        return {};
    QStringList names = path.mid(root.capturedLength())
                            .split(QRegularExpression(QStringLiteral(R"([\\/]+)")), Qt::SkipEmptyParts);
    for (QString& name : names)
        if (name != QStringLiteral(".") && name != QStringLiteral(".."))
            while (name.endsWith(u'.') || name.endsWith(u' '))
                name.chop(1);
    names.removeAll(QString());
    return QDir::cleanPath(QDir::fromNativeSeparators(root.captured(1)) + u'/' + names.join(u'/'));
}

void AskToStop(QProcess& process) {
    const HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, stopEventName(process.processId()).c_str());
    if (!stop)
        return;
    SetEvent(stop);
    CloseHandle(stop);
}

namespace {
HANDLE g_stopEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
    // Runs on a thread of its own: the event hands the request to the event loop.
    SetEvent(g_stopEvent);
    return TRUE;
}
} // namespace

void OnTerminationRequest(std::function<void()> handler) {
    if (!g_stopEvent)
        g_stopEvent = CreateEventW(nullptr, FALSE, FALSE, stopEventName(GetCurrentProcessId()).c_str());
    if (!g_stopEvent)
        return;
    auto* notifier = new QWinEventNotifier(g_stopEvent, QCoreApplication::instance());
    QObject::connect(notifier, &QWinEventNotifier::activated, notifier,
                     [handler = std::move(handler)] { handler(); });
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool IsSharedProgramFolder(const QString& programFolder) {
    // Program Files belongs to the machine, whatever a write test says (an administrator may write there).
    for (const auto& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86})
        if (isInside(programFolder, knownFolder(id)))
            return true;
    QTemporaryFile probe(programFolder + QStringLiteral("/write-test-XXXXXX"));
    return !probe.open();
}

QString UserSettingsFolder() {
    return knownFolder(FOLDERID_RoamingAppData) + QStringLiteral("/Movikon");
}

QString DecodeChinese(const QByteArray& bytes, ChineseEncoding encoding) {
    // The system's own code pages: 936 is GBK (GB18030's two-byte part, all that subtitle files use), 950
    // Big5. GB18030's own page, 54936, reads GBK wrongly under wine.
    const UINT codePage = encoding == ChineseEncoding::Big5 ? 950 : 936;
    if (bytes.isEmpty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return QString(bytes.size(), QChar::ReplacementCharacter);
    std::wstring text(size_t(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.constData(), int(bytes.size()), text.data(), length);
    return QString::fromStdWString(text);
}

} // namespace platform
