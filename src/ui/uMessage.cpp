#include "ui/uMessage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmMessage* frmMessage = nullptr;

namespace {
constexpr int cDESIGN_WIDTH = 435;
constexpr int cDESIGN_HEIGHT = 101;
constexpr int cPANEL_HEIGHT = 45;
constexpr int cBUTTON_WIDTH = 93;
constexpr int cMARGIN = 3;
constexpr int cINSET = 10;
} // namespace

TfrmMessage::TfrmMessage(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmMessage");
  setWindowTitle("Information");
  setModal(true);
  setAttribute(Qt::WA_QuitOnClose, false);
  QFont rFont = font();
  rFont.setFamily("Tahoma");
  setFont(rFont);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(cPANEL_HEIGHT);
  Button1 = new QPushButton("OK", Panel1);
  Button1->setObjectName("Button1");
  Button1->setFixedWidth(cBUTTON_WIDTH);
  Button1->setDefault(true);
  auto* pPanelLayout = new QHBoxLayout(Panel1);
  pPanelLayout->setContentsMargins(cMARGIN, cMARGIN, cMARGIN, cMARGIN);
  pPanelLayout->addWidget(Button1, 0, Qt::AlignLeft);
  pPanelLayout->addStretch(1);

  auto* pLayout = new QVBoxLayout(this);
  pLayout->setContentsMargins(0, 0, 0, 0);
  pLayout->setSpacing(0);
  auto* pMemoBox = new QVBoxLayout();
  pMemoBox->setContentsMargins(cMARGIN, cMARGIN, cMARGIN, cMARGIN);
  pMemoBox->addWidget(Memo1);
  pLayout->addLayout(pMemoBox, 1);
  pLayout->addWidget(Panel1);
  setFixedSize(cDESIGN_WIDTH, cDESIGN_HEIGHT);

  connect(Button1, &QPushButton::clicked, this, &TfrmMessage::Button1Click);
}

void TfrmMessage::PlaceOver(int x, int y, int w, int h) {
  FrOver = QRect(x, y, w, h);
  const QRect rOuter = frameGeometry();
  const int nFrameWidth = rOuter.width() - width();
  move(x + cINSET, y + h - rOuter.height() - cINSET);
  setFixedSize(w - 2 * cINSET - nFrameWidth, height());
}

void TfrmMessage::showMsg(const QString& sMsg, int x, int y, int w, int h) {
  PlaceOver(x, y, w, h);
  Memo1->clear();
  Memo1->setPlainText(sMsg);
  exec();
}

void TfrmMessage::showEvent(QShowEvent* pEvent) {
  QDialog::showEvent(pEvent);
  if (FrOver.isValid()) {
    PlaceOver(FrOver.x(), FrOver.y(), FrOver.width(), FrOver.height());
  }
}

void TfrmMessage::Button1Click() {
  accept();
}
