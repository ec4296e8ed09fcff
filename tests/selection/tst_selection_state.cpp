#include "selection_fixture.h"
#include "temp_drives.h"

#include <QtTest>

class TestSelectionState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_drives = std::make_unique<TempDrives>();
        m_ui = std::make_unique<SelectionUi>();
    }
    void cleanup() {
        m_ui.reset();
        m_drives.reset();
    }

    void startsEmpty() {
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 0 File(s) Selected"));
        QCOMPARE(m_ui->total(), QStringLiteral("0"));
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 0 Folder(s) Selected"));
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->state.selFile(0), QString());
        QCOMPARE(m_ui->state.selDir(0), QString());
    }

    void sharedIsTheNewest() {
        QCOMPARE(SelectionState::shared(), &m_ui->state);
        {
            SelectionState other(m_ui->state.controls());
            QCOMPARE(SelectionState::shared(), &other);
        }
        QCOMPARE(SelectionState::shared(), nullptr);
        m_ui.reset();
        QCOMPARE(SelectionState::shared(), nullptr);
    }

    void totals_data() {
        QTest::addColumn<QList<qint64>>("lengths");
        QTest::addColumn<int>("removeAt");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("filePanel");

        QTest::newRow("999") << QList<qint64>{999} << -1 << "999"
                             << " 1 File(s) Selected";
        QTest::newRow("1,000") << QList<qint64>{1000} << -1 << "1,000"
                               << " 1 File(s) Selected";
        QTest::newRow("three") << QList<qint64>{1000, 2000, 500000} << -1 << "503,000"
                               << " 3 File(s) Selected";
        QTest::newRow("three, middle removed")
            << QList<qint64>{1000, 2000, 500000} << 1 << "501,000"
            << " 2 File(s) Selected";
        QTest::newRow("only one removed") << QList<qint64>{5000} << 0 << "0"
                                          << " 0 File(s) Selected";
        QTest::newRow("past 2 GiB without wrapping")
            << QList<qint64>{2147483647, 2147483647, 2} << -1 << "4,294,967,296"
            << " 3 File(s) Selected";
        QTest::newRow("4 GiB removed again") << QList<qint64>{4294967296, 10} << 0 << "10"
                                             << " 1 File(s) Selected";
    }
    void totals() {
        QFETCH(QList<qint64>, lengths);
        QFETCH(int, removeAt);
        SelectionState& s = m_ui->state;
        for (int i = 0; i < lengths.size(); ++i) {
            const QString name = QStringLiteral("f%1.bin").arg(i);
            QCOMPARE(s.appendFile(QStringLiteral("C:\\DATA\\") + name, name, lengths[i]),
                     SelectionState::AddResult::Added);
        }
        const QString removed = s.selFile(removeAt);
        s.removeFileAt(removeAt);
        s.refreshFileIndicators();

        QTEST(m_ui->total(), "total");
        QTEST(m_ui->filePanel(), "filePanel");
        QCOMPARE(s.fileCount(), m_ui->selFileList->count());
        QCOMPARE(m_ui->filenameList->count(), m_ui->selFileList->count());
        for (int i = 0; i < s.selFileCount(); ++i)
            QCOMPARE(s.selFile(i), QStringLiteral("C:\\DATA\\") + s.fileName(i));
        if (removeAt >= 0) {
            QVERIFY(!s.containsFile(removed));
            QCOMPARE(s.selFile(removeAt + lengths.size()), QString());
        }
    }

    void copyButtonRule_data() {
        QTest::addColumn<bool>("files");
        QTest::addColumn<bool>("folders");
        QTest::newRow("neither") << false << false;
        QTest::newRow("files only") << true << false;
        QTest::newRow("folders only") << false << true;
        QTest::newRow("both") << true << true;
    }
    void copyButtonRule() {
        QFETCH(bool, files);
        QFETCH(bool, folders);
        SelectionState& s = m_ui->state;
        if (files)
            s.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 1);
        if (folders)
            s.appendFolder(QStringLiteral("D:\\"));
        for (bool before : {false, true}) {
            m_ui->copyBtn1->setEnabled(before);
            m_ui->copyBtn2->setEnabled(!before);
            s.applyCopyButtonRule();
            QCOMPARE(m_ui->copyBtn1->isEnabled(), files && folders);
            QCOMPARE(m_ui->copyBtn2->isEnabled(), files && folders);
        }
        QCOMPARE(m_ui->buttons().left(4), QStringLiteral("0000"));
    }

    void resetEmptiesSelectionOnly() {
        SelectionState& s = m_ui->state;
        s.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 7);
        s.appendFolder(QStringLiteral("C:\\T\\"));
        for (QPushButton* b : {m_ui->remFileBtn, m_ui->clrFileBtn, m_ui->remDirBtn, m_ui->clrDirBtn,
                               m_ui->copyBtn1, m_ui->copyBtn2})
            b->setEnabled(true);
        m_ui->hidChkBox->setChecked(true);
        m_ui->check1->setChecked(true);

        s.resetSelection();
        QCOMPARE(m_ui->selFileList->count() + m_ui->filenameList->count() +
                     m_ui->selDirList->count(),
                 0);
        QCOMPARE(m_ui->buttons(), QStringLiteral("000000"));
        QCOMPARE(m_ui->filePanel(), QStringLiteral(" 0 File(s) Selected"));
        QCOMPARE(m_ui->total(), QStringLiteral("0"));
        QCOMPARE(m_ui->folderPanel(), QStringLiteral(" 0 Folder(s) Selected"));
        QVERIFY(m_ui->hidChkBox->isChecked() && m_ui->check1->isChecked());

        // The duplicate index went with the lists.
        QCOMPARE(s.appendFile(QStringLiteral("C:\\a"), QStringLiteral("a"), 3),
                 SelectionState::AddResult::Added);
        QCOMPARE(s.appendFolder(QStringLiteral("C:\\T\\")), SelectionState::AddResult::Added);
        s.refreshFileIndicators();
        QCOMPARE(m_ui->total(), QStringLiteral("3"));
    }

private:
    std::unique_ptr<TempDrives> m_drives;
    std::unique_ptr<SelectionUi> m_ui;
};

QTEST_MAIN(TestSelectionState)
#include "tst_selection_state.moc"
