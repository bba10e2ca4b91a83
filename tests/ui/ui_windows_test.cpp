// The report window's time-stamped lines, the message window's place over the main window,
// and the overview's rows and column fitting.
#include "uUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "ui/uInfo.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTime>

namespace {

QStringList Row(const QTreeWidget* pList, int nRow) {
  QStringList slCells;
  const QTreeWidgetItem* pItem = pList->topLevelItem(nRow);
  for (int i = 0; pItem != nullptr && i < pList->columnCount(); ++i) {
    slCells << pItem->text(i);
  }
  return slCells;
}

int Seconds(const QTime& rTime) {
  return rTime.msecsSinceStartOfDay() / 1000;
}

} // namespace

class TestSecondaryWindows : public QObject {
  Q_OBJECT

private slots:
  void reportLinesCarryTheTime();
  void reportKeepsLongLinesOnOneLine();
  void messageWindowSitsOverTheMainWindow();
  void messagesReplaceEachOther();
  void overviewListsCarriedImagesFromTheHighest();
  void overviewListsTheFileImageFirst();
  void overviewColumnsFitTheirTexts();
  void overviewOpensBesideTheMainWindow();
};

void TestSecondaryWindows::reportLinesCarryTheTime() {
  TWindowSetup rSetup(true);
  QVERIFY(rSetup.Report().isEmpty()); // the layout's placeholder is gone
  const QTime rBefore = QTime::currentTime();
  frmProtocol->Add("Process cancelled!");
  frmProtocol->Add("");
  const QTime rAfter = QTime::currentTime();
  const QStringList slLines = rSetup.Report();
  QCOMPARE(slLines.size(), 2);
  const QRegularExpression rLine("^(\\d\\d)-(\\d\\d)-(\\d\\d) -> (.*)$");
  for (int i = 0; i < 2; ++i) {
    const QRegularExpressionMatch rMatch = rLine.match(slLines[i]);
    QVERIFY2(rMatch.hasMatch(), qPrintable(slLines[i]));
    const QTime rStamp(rMatch.captured(1).toInt(), rMatch.captured(2).toInt(),
                       rMatch.captured(3).toInt());
    QVERIFY(rStamp.isValid());
    // The stamp is the local time of the call (midnight between the two reads aside).
    if (Seconds(rBefore) <= Seconds(rAfter)) {
      QVERIFY(Seconds(rStamp) >= Seconds(rBefore) && Seconds(rStamp) <= Seconds(rAfter));
    }
  }
  QCOMPARE(slLines[0].mid(8), QString(" -> Process cancelled!"));
  QCOMPARE(slLines[1].mid(8), QString(" -> "));
  // The caret stands, without a selection, at the index that equals the number of lines.
  frmProtocol->Add("third");
  QCOMPARE(frmProtocol->Memo1->textCursor().position(), 3);
  QVERIFY(!frmProtocol->Memo1->textCursor().hasSelection());

  frmProtocol->Clear();
  QVERIFY(rSetup.Report().isEmpty());
}

void TestSecondaryWindows::reportKeepsLongLinesOnOneLine() {
  TWindowSetup rSetup(true);
  QTRY_VERIFY(frmProtocol->isVisible());
  const QString sLong(600, 'x');
  frmProtocol->Add(sLong);
  for (int i = 0; i < 30; ++i) {
    frmProtocol->Add(QString("line %1").arg(i));
  }
  QCOMPARE(rSetup.Report().size(), 31);
  QCOMPARE(rSetup.ReportTexts().value(0), sLong);
  QVERIFY(frmProtocol->Memo1->isReadOnly());
  QCOMPARE(frmProtocol->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  // Captioned "Report"; its title bar offers no close button.
  QCOMPARE(frmProtocol->windowTitle(), QString("Report"));
  QVERIFY(frmProtocol->windowFlags().testFlag(Qt::CustomizeWindowHint));
  QVERIFY(!frmProtocol->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  QTRY_VERIFY(frmProtocol->Memo1->horizontalScrollBar()->maximum() > 0);
  // The newest line is in view.
  QCOMPARE(frmProtocol->Memo1->verticalScrollBar()->value(),
           frmProtocol->Memo1->verticalScrollBar()->maximum());
}

void TestSecondaryWindows::messageWindowSitsOverTheMainWindow() {
  TWindowSetup rSetup(false);
  frmMessage->setFixedHeight(130);
  frmMessage->PlaceOver(500, 300, 361, 230);
  QCOMPARE(frmMessage->frameGeometry().topLeft(), QPoint(510, 390));
  QCOMPARE(frmMessage->frameGeometry().width(), 341);
  QCOMPARE(frmMessage->frameGeometry().height(), 130);

  // Shown by the main window: inside its frame, 10 pixels from its edges.
  TfrmMain* pMain = rSetup.Main();
  pMain->move(200, 150);
  QTRY_COMPARE(pMain->frameGeometry().topLeft(), QPoint(200, 150));
  pMain->ShowFinalMessage("Update Tarvik V6.20 succesfully completed.");
  const QRect rMain = pMain->frameGeometry();
  const QRect rMessage = rSetup.Watcher.rLastGeometry;
  QCOMPARE(rSetup.Watcher.slSeen,
           QStringList{"Information: Update Tarvik V6.20 succesfully completed."});
  QCOMPARE(rMessage.left(), rMain.left() + 10);
  QCOMPARE(rMessage.right(), rMain.right() - 10);
  QCOMPARE(rMessage.bottom(), rMain.bottom() - 10);
  QCOMPARE(frmMessage->windowTitle(), QString("Information"));
  QCOMPARE(frmMessage->Button1->text(), QString("OK"));
  QCOMPARE(frmMessage->Button1->width(), 93);
  QVERIFY(frmMessage->isModal());
  QVERIFY(frmMessage->Memo1->isReadOnly());
  QCOMPARE(frmMessage->Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  QVERIFY(!frmMessage->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!frmMessage->isVisible());
}

void TestSecondaryWindows::messagesReplaceEachOther() {
  TWindowSetup rSetup(false);
  rSetup.Main()->ShowFinalMessage("first message");
  rSetup.Main()->ShowFinalMessage("second");
  QCOMPARE(rSetup.Watcher.slSeen,
           (QStringList{"Information: first message", "Information: second"}));
  QCOMPARE(frmMessage->Memo1->toPlainText(), QString("second"));
}

void TestSecondaryWindows::overviewListsCarriedImagesFromTheHighest() {
  TWindowSetup rSetup(false);
  gnFwIndex = -1;
  frmInfo->Prepare(10, 20, 300);
  QTreeWidget* pList = frmInfo->ListView1;
  QStringList slHeaders;
  for (int i = 0; i < pList->columnCount(); ++i) {
    slHeaders << pList->headerItem()->text(i);
  }
  QCOMPARE(slHeaders, (QStringList{"Firmware", "Version", "Platform", "Print", "Date", "BL"}));
  QCOMPARE(pList->topLevelItemCount(), 12);
  QCOMPARE(Row(pList, 0), (QStringList{"Tarvik", "6.20", PlatformText(24), PrintText(53),
                                       "21.09.2023 16:19:36", "3.0"}));
  QCOMPARE(Row(pList, 6), (QStringList{"Tarvik", "5.126", PlatformText(12), PrintText(18),
                                       "12.04.2019 08:56:26", "3.0"}));
  QCOMPARE(Row(pList, 7).value(5), QString("2.1"));  // image 5
  QCOMPARE(Row(pList, 9).value(1), QString("5.08")); // image 3
  QCOMPARE(Row(pList, 11), (QStringList{"Tarvik", "3.20", PlatformText(0), PrintText(0),
                                        "18.06.2009 16:27:52", "2.0"}));
  // Opening again shows the same rows, not twice as many.
  frmInfo->Prepare(10, 20, 300);
  QCOMPARE(pList->topLevelItemCount(), 12);
}

void TestSecondaryWindows::overviewListsTheFileImageFirst() {
  TWindowSetup rSetup(false);
  grFwFileHeader = TBl3FileHeader{26113, 6, 20, 24, 53, "from a file", 3, 0};
  gnFwIndex = 0;
  frmInfo->Prepare(10, 20, 300);
  QTreeWidget* pList = frmInfo->ListView1;
  QCOMPARE(pList->topLevelItemCount(), 13);
  QCOMPARE(Row(pList, 0),
           (QStringList{"Tarvik", "6.20", PlatformText(24), PrintText(53), "from a file", "3.0"}));
  grFwFileHeader = TBl3FileHeader{0xFFFF, 5, 5, 0xFFFF, 0xFFFF, "", 0xFFFF, 2};
  frmInfo->Prepare(10, 20, 300);
  QCOMPARE(pList->topLevelItemCount(), 13);
  QCOMPARE(Row(pList, 0).value(1), QString("5.05"));
  QCOMPARE(Row(pList, 0).value(5), QString("65535.2"));
  grFwFileHeader = TBl3FileHeader{};
}

void TestSecondaryWindows::overviewColumnsFitTheirTexts() {
  TWindowSetup rSetup(false);
  grFwFileHeader = TBl3FileHeader{26113, 6, 20, 24, 53, "21.09.2023", 3, 0};
  gnFwIndex = 0;
  frmInfo->Prepare(10, 20, 300);
  QTreeWidget* pList = frmInfo->ListView1;
  const QFontMetrics rMetrics(pList->font());
  int nSum = 0;
  for (int nColumn = 0; nColumn < pList->columnCount(); ++nColumn) {
    const int nWidth = pList->columnWidth(nColumn);
    nSum += nWidth;
    // Header and every cell fit, with the 5 spare pixels.
    QVERIFY(nWidth >= pList->header()->sectionSizeHint(nColumn) + 5);
    QVERIFY(nWidth >= rMetrics.horizontalAdvance(pList->headerItem()->text(nColumn)) + 5);
    for (int nRow = 0; nRow < pList->topLevelItemCount(); ++nRow) {
      QVERIFY(nWidth >= rMetrics.horizontalAdvance(pList->topLevelItem(nRow)->text(nColumn)) + 5);
    }
  }
  QCOMPARE(frmInfo->width(), nSum + 30);
  QCOMPARE(TfrmInfo::FitColumns(pList), nSum);

  // A long date in the file header widens its column and the window.
  const int nDateWidth = pList->columnWidth(4);
  const int nWindowWidth = frmInfo->width();
  grFwFileHeader.tarv_date = std::string(80, 'D');
  frmInfo->Prepare(10, 20, 300);
  QVERIFY(pList->columnWidth(4) > nDateWidth);
  QCOMPARE(frmInfo->width() - nWindowWidth, pList->columnWidth(4) - nDateWidth);
  grFwFileHeader = TBl3FileHeader{};
}

void TestSecondaryWindows::overviewOpensBesideTheMainWindow() {
  TWindowSetup rSetup(false);
  TfrmMain* pMain = rSetup.Main();
  pMain->move(240, 130);
  QTRY_COMPARE(pMain->frameGeometry().topLeft(), QPoint(240, 130));
  pMain->menInfoFirmware->trigger();
  QCOMPARE(rSetup.Watcher.slSeen, QStringList{"Overview"});
  QCOMPARE(rSetup.Watcher.rLastGeometry.topLeft(), QPoint(240, 130));
  QCOMPARE(rSetup.Watcher.rLastGeometry.height(), pMain->frameGeometry().height());
  QCOMPARE(frmInfo->ListView1->topLevelItemCount(), 12);
  QCOMPARE(frmInfo->Button1->text(), QString("OK"));
  QCOMPARE(frmInfo->Button1->geometry(), QRect(13, 7, 98, 24));
  QCOMPARE(frmInfo->Panel1->height(), 37);
  QVERIFY(!frmInfo->isVisible());
}

QTEST_MAIN(TestSecondaryWindows)
#include "ui_windows_test.moc"
