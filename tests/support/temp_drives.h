#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Drives for tests: a temporary folder per letter, installed as the
// program's drive table for the life of the object (C: always among them).
// Files and folders are made by drive-letter path.
class TempDrives {
public:
    explicit TempDrives(const QString& letters = QStringLiteral("CD"));
    ~TempDrives();

    bool isValid() const { return m_dir.isValid(); }
    // The host folder behind a drive letter.
    QByteArray hostRoot(QChar letter) const;
    // Host path of a drive-letter path ("C:\a\b.txt").
    QByteArray host(const QString& drivePath) const;

    // Makes a folder (and its parents) by drive-letter path; returns it.
    QString mkdir(const QString& drivePath) const;
    // Writes a file by drive-letter path (parents made); returns the path.
    QString makeFile(const QString& drivePath, const QByteArray& content = {}) const;
    QString makeFile(const QString& drivePath, qint64 size) const;
    QByteArray read(const QString& drivePath) const;

private:
    QTemporaryDir m_dir;
    QString m_letters;
};

// The root ("E:\\") of the ready drive mounted at hostRoot in the drive
// table as it is now; empty when there is none.
QString readyDriveRoot(const QByteArray& hostRoot);
