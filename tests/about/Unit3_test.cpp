#include "Unit3.h"

#include <filesystem>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include "FileSystem.h"
#include "EnabledProbe.h"
#include "Messages.h"
#include "StubMainWindow.h"
#include "TestSupport.h"

namespace {

using cpuchat::TForm3;
using cpuchat::test::plainFile;

class About : public testing::Test {
protected:
    About() : files(dir.path()) {
        cpuchat::test::copyDefaultData(dir.path());
        dir.write("ReadMe.Txt", plainFile({"История версий", "", "2.1.5.6  - окно О программе"}));
        previousHandler = cpuchat::setMessageHandler([this](QWidget*, const QString& text) { messages << text; });
        form = new TForm3(main, files);
        history = form->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        main.resize(600, 400);
        main.show();
    }
    ~About() override { cpuchat::setMessageHandler(std::move(previousHandler)); }

    QPushButton* button(int number) const {
        return form->findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
    }
    void pressHistory() const { button(1)->click(); }
    // The outer height as the window system sees it: the frame when there is one, else
    // the client area alone.
    int shownHeight() const { return form->frameGeometry().height(); }

    cpuchat::test::TempDir dir;
    cpuchat::DiskFileSystem files;
    cpuchat::test::StubMainWindow main;
    QTimer* mainPolling = main.polling;
    cpuchat::MessageHandler previousHandler;
    TForm3* form = nullptr;
    QPlainTextEdit* history = nullptr;
    QStringList messages;
};

TEST_F(About, IsAHiddenFixedDialogWithoutTitleBarButtons) {
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(form->windowType(), Qt::Dialog);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->width(), 377);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(192, 192, 192));
}

TEST_F(About, ShowsThePictureTheVersionAndTheButtons) {
    auto* picture = form->findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(7, 8, 178, 137));
    EXPECT_TRUE(picture->hasScaledContents());
    EXPECT_EQ(picture->pixmap().size(), QSize(179, 132));

    auto* version = form->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("ВЕРСИЯ: 2.1.5.6"));
    EXPECT_EQ(version->geometry(), QRect(187, 9, 164, 82));
    EXPECT_TRUE(version->wordWrap());
    EXPECT_TRUE(version->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(version->font().family(), QStringLiteral("Arial Black"));
    EXPECT_EQ(version->font().pixelSize(), 29);
    EXPECT_TRUE(version->font().bold());
    EXPECT_TRUE(version->font().underline());
    EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(version->palette().color(QPalette::Window), QColor(192, 192, 192));

    EXPECT_EQ(button(1)->text(), QStringLiteral("История"));
    EXPECT_EQ(button(1)->geometry(), QRect(187, 96, 185, 25));
    EXPECT_EQ(button(2)->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(button(2)->geometry(), QRect(187, 120, 185, 25));
    for (const QPushButton* b : {button(1), button(2)}) EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);

    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->parentWidget()->geometry(), QRect(1, 151, 376, 148));
    EXPECT_EQ(history->geometry(), QRect(3, 4, 370, 140));
    EXPECT_TRUE(history->isReadOnly());
    EXPECT_TRUE(history->toPlainText().isEmpty());
    EXPECT_EQ(history->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(history->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(history->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(history->font().pointSize(), 8);
    EXPECT_EQ(history->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(history->viewport()->cursor().shape(), Qt::ForbiddenCursor);
}

TEST_F(About, WithoutThePictureFileTheWindowStillOpens) {
    std::filesystem::remove(dir.path() / "About.bmp");
    TForm3 bare(main, files);
    auto* picture = bare.findChild<QLabel*>(QStringLiteral("Image1"));
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(About, OpensAndClosesInTheirOrders) {
    cpuchat::test::EnabledProbe probe(&main, [&] {
        return QStringLiteral("main-polling=%1 height=%2 about-visible=%3")
            .arg(mainPolling->isActive())
            .arg(form->outerHeight())
            .arg(form->isVisible());
    });
    form->open();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(button(1)->isEnabled());
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(mainPolling->isActive());
    EXPECT_EQ(form->outerHeight(), 179);
    EXPECT_EQ(shownHeight(), 179);

    button(2)->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(mainPolling->isActive());
    EXPECT_EQ(probe.log, (QStringList{
                             "disabled main-polling=0 height=179 about-visible=0",
                             "enabled main-polling=1 height=179 about-visible=1",
                         }));
}

TEST_F(About, HistoryFoldsOutAndInAtEachPressReadingTheFileEachTime) {
    form->open();
    const QString text = QStringLiteral("История версий\n\n2.1.5.6  - окно О программе");
    const int expected[] = {327, 179, 327, 179, 327};
    for (const int height : expected) {
        pressHistory();
        EXPECT_EQ(form->outerHeight(), height);
        EXPECT_EQ(shownHeight(), height);
        EXPECT_EQ(form->width(), 377);
        EXPECT_EQ(history->toPlainText(), text);
    }
    // The file is read anew at every press, fold-in included.
    dir.write("ReadMe.Txt", plainFile({"2.1.5.7"}));
    pressHistory();
    EXPECT_EQ(form->outerHeight(), 179);
    EXPECT_EQ(history->toPlainText(), QStringLiteral("2.1.5.7"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(About, ReopensInTheShortFormKeepingTheHistoryText) {
    form->open();
    pressHistory();
    button(2)->click();
    EXPECT_EQ(form->outerHeight(), 327);  // stays as it is while hidden
    form->open();
    EXPECT_EQ(form->outerHeight(), 179);
    EXPECT_EQ(shownHeight(), 179);
    EXPECT_EQ(history->toPlainText(), QStringLiteral("История версий\n\n2.1.5.6  - окно О программе"));
    pressHistory();
    EXPECT_EQ(form->outerHeight(), 327);
}

TEST_F(About, TheRestoreSetsTheShortFormWhileHidden) {
    form->open();
    pressHistory();
    button(2)->click();
    form->setShortForm();
    EXPECT_EQ(form->outerHeight(), 179);
    EXPECT_FALSE(form->isVisible());
    form->open();
    pressHistory();
    EXPECT_EQ(form->outerHeight(), 327);
}

TEST_F(About, AnEmptyHistoryFileFoldsOutAnEmptyView) {
    form->open();
    pressHistory();
    pressHistory();
    dir.write("ReadMe.Txt", "");
    pressHistory();
    EXPECT_EQ(form->outerHeight(), 327);
    EXPECT_TRUE(history->toPlainText().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(About, AMissingHistoryFileIsReportedAndChangesNothing) {
    form->open();
    pressHistory();
    std::filesystem::remove(dir.path() / "ReadMe.Txt");
    for (const int height : {327, 327}) {
        pressHistory();
        EXPECT_EQ(form->outerHeight(), height);
        EXPECT_EQ(shownHeight(), height);
    }
    EXPECT_EQ(messages, (QStringList{"Cannot open file ReadMe.Txt", "Cannot open file ReadMe.Txt"}));
    EXPECT_EQ(history->toPlainText(), QStringLiteral("История версий\n\n2.1.5.6  - окно О программе"));

    // Missing from the start: the short form stays and the view stays empty.
    TForm3 fresh(main, files);
    fresh.open();
    fresh.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    EXPECT_EQ(fresh.outerHeight(), 179);
    EXPECT_TRUE(fresh.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().isEmpty());
    EXPECT_EQ(messages.size(), 3);
}

TEST_F(About, HistoryTextIsTakenAsPlainText) {
    // The view is a plain-text view: an RTF file shows as the text it is.
    dir.write("ReadMe.Txt", "{\\rtf1 a\\par}\r\n");
    form->open();
    pressHistory();
    EXPECT_EQ(history->toPlainText(), QStringLiteral("{\\rtf1 a\\par}"));
}

TEST_F(About, CanBeClosedOnlyWithItsButton) {
    form->open();
    EXPECT_FALSE(form->close());
    QCloseEvent request;
    QApplication::sendEvent(form, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(mainPolling->isActive());
}

}  // namespace
