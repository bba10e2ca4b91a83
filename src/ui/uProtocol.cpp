#include "ui/uProtocol.h"

#include "ui/uMain.h"
#include "ui/uNotifyText.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

TfrmProtocol* frmProtocol = nullptr;

namespace {
constexpr int cDESIGN_WIDTH = 454;
constexpr int cDESIGN_HEIGHT = 141;
} // namespace

TfrmProtocol::TfrmProtocol(QWidget* pParent)
    : QWidget(pParent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("frmProtocol");
  setWindowTitle("Report");
  // The program ends with the main window, whatever the report window does.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Shown at the first idle moment without taking the operator's focus from the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);
  QFont rFont = font();
  rFont.setFamily("MS Sans Serif");
  setFont(rFont);
  resize(cDESIGN_WIDTH, cDESIGN_HEIGHT);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText("Memo1");
  auto* pLayout = new QVBoxLayout(this);
  pLayout->setContentsMargins(0, 0, 0, 0);
  pLayout->addWidget(Memo1);
}

void TfrmProtocol::Add(const QString& sLine) {
  Memo1->appendPlainText(QString::fromStdString(TimeStampedLine(sLine.toStdString())));
  // The caret goes to the index of the line count; the newest line is then scrolled into view.
  QTextCursor rCursor = Memo1->textCursor();
  const int nLines = Memo1->document()->blockCount();
  rCursor.setPosition(std::min(nLines, Memo1->document()->characterCount() - 1));
  Memo1->setTextCursor(rCursor);
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TfrmProtocol::Clear() {
  Memo1->clear();
}

void TfrmProtocol::PlaceBelowMain() {
  if (frmMain != nullptr) {
    const QRect rMain = frmMain->frameGeometry();
    const int nFrameWidth = frameGeometry().width() - width();
    move(rMain.left(), rMain.top() + rMain.height());
    resize(rMain.width() - nFrameWidth, height());
  }
}

void TfrmProtocol::FormCreate() {
  PlaceBelowMain();
  Clear();
}

void TfrmProtocol::showEvent(QShowEvent* pEvent) {
  QWidget::showEvent(pEvent);
  if (!FbShown) {
    FbShown = true;
    PlaceBelowMain();
  }
}

QStringList TfrmProtocol::Lines() const {
  const QString sText = Memo1->toPlainText();
  if (sText.isEmpty() && Memo1->document()->blockCount() <= 1) {
    return {};
  }
  return sText.split('\n');
}
