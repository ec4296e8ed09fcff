#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace platform {

// Why a file-system operation failed. Callers branch on success alone,
// as the windows do; the kind is kept for tests and for userText().
enum class FsError {
    NotReady,      // no volume under that drive letter (or it was swapped out)
    NotFound,      // the file or folder is not there
    AccessDenied,  // permissions
    NotAFolder,    // a folder was expected
    NotAFile,      // a regular file was expected (FIFO, socket, device, folder)
    Unlistable,    // a name that cannot be written as a drive-letter path
    NoSpace,       // the disk is full
    ReadOnly,      // write-protected file, folder or volume
    UnsafeTarget,  // the target is a folder, special, hidden or system file
    SameFile,      // source and target are one file
    ShortCopy,     // fewer bytes arrived than the source holds
    SourceChanged, // the source changed while it was copied
    Appeared,      // a target that was not there when looked for is there now
    Io,            // anything else the system reported
};

// The one place a platform error becomes text for a person.
QString userText(FsError error);

// A value or the reason there is none.
template <typename T> class Result {
public:
    Result(T value)
        : m_data(std::move(value)) {}
    Result(FsError error)
        : m_data(error) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<T>(m_data); }
    T& value() { return std::get<T>(m_data); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    FsError error() const { return std::get<FsError>(m_data); }

private:
    std::variant<T, FsError> m_data;
};

// Success or the reason for failure, for operations with no value.
struct Outcome {
    static Outcome success() { return Outcome{}; }
    Outcome() = default;
    Outcome(FsError e)
        : failed(true)
        , error(e) {}
    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }

    bool failed = false;
    FsError error = FsError::Io;
};

} // namespace platform
