#include "ui/uInfo.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include <algorithm>

TfrmInfo* frmInfo = nullptr;

namespace {
constexpr int cDESIGN_WIDTH = 318;
constexpr int cDESIGN_HEIGHT = 209;
constexpr int cPANEL_HEIGHT = 37;
constexpr int cDESIGN_COLUMN_WIDTH = 41;
constexpr int cCOLUMN_SPARE = 5;
constexpr int cWINDOW_SPARE = 30;

QString Version(unsigned nMajor, unsigned nMinor) {
  return QString::asprintf("%u.%.2u", nMajor, nMinor);
}
} // namespace

TfrmInfo::TfrmInfo(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmInfo");
  setWindowTitle("Overview");
  setModal(true);
  setAttribute(Qt::WA_QuitOnClose, false);
  QFont rFont = font();
  rFont.setFamily("MS Sans Serif");
  setFont(rFont);

  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName("ListView1");
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setSortingEnabled(false);
  ListView1->setHeaderLabels({"Firmware", "Version", "Platform", "Print", "Date", "BL"});
  ListView1->header()->setSectionsClickable(false);
  ListView1->header()->setSectionsMovable(false);
  ListView1->header()->setStretchLastSection(false);
  for (int i = 0; i < 5; ++i) {
    ListView1->setColumnWidth(i, cDESIGN_COLUMN_WIDTH);
  }

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(cPANEL_HEIGHT);
  Button1 = new QPushButton("OK", Panel1);
  Button1->setObjectName("Button1");
  Button1->setGeometry(13, 7, 98, 24);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* pLayout = new QVBoxLayout(this);
  pLayout->setContentsMargins(0, 0, 0, 0);
  pLayout->setSpacing(0);
  pLayout->addWidget(ListView1, 1);
  pLayout->addWidget(Panel1);
  resize(cDESIGN_WIDTH, cDESIGN_HEIGHT);
  Button1->setFocus();
}

void TfrmInfo::AddRow(const TBl3FileHeader& header) {
  std::string sClass;
  std::string sPlatform;
  std::string sPrint;
  ClassName(header.tarv_class, header.tarv_print, sClass);
  PlatformName(header.tarv_platform, sPlatform);
  PrintName(header.tarv_print, sPrint);
  auto* pItem = new QTreeWidgetItem(ListView1);
  pItem->setText(0, QString::fromStdString(sClass));
  pItem->setText(1, Version(header.tarv_verH, header.tarv_verL));
  pItem->setText(2, QString::fromStdString(sPlatform));
  pItem->setText(3, QString::fromStdString(sPrint));
  pItem->setText(4, QString::fromStdString(header.tarv_date));
  pItem->setText(
      5, QString::asprintf("%u.%u", unsigned{header.tarv_bl}, unsigned{header.tarv_bl_ver}));
}

int TfrmInfo::FitColumns(QTreeWidget* list) {
  int nSum = 0;
  QStyleOptionViewItem rOption;
  rOption.initFrom(list);
  for (int nColumn = 0; nColumn < list->columnCount(); ++nColumn) {
    const int nHeaderWidth = list->header()->sectionSizeHint(nColumn);
    int nContentsWidth = 0;
    for (int nRow = 0; nRow < list->topLevelItemCount(); ++nRow) {
      const QModelIndex rIndex = list->model()->index(nRow, nColumn);
      nContentsWidth =
          std::max(nContentsWidth, list->itemDelegate()->sizeHint(rOption, rIndex).width());
    }
    const int nWidth = std::max(nHeaderWidth, nContentsWidth) + cCOLUMN_SPARE;
    list->setColumnWidth(nColumn, nWidth);
    nSum += list->columnWidth(nColumn);
  }
  return nSum;
}

void TfrmInfo::Prepare(int ALeft, int ATop, int AHeight) {
  ListView1->clear();
  TBl3FileHeader rHeader;
  if (gnFwIndex == 0) {
    GetFwHeader(0, rHeader);
    AddRow(rHeader);
  }
  for (int i = GetFwCount(); i >= 1; --i) {
    GetFwHeader(i, rHeader);
    AddRow(rHeader);
  }
  FnLeft = ALeft;
  FnTop = ATop;
  FnHeight = AHeight;
  Place();
}

void TfrmInfo::Place() {
  const int nFrameHeight = frameGeometry().height() - height();
  move(FnLeft, FnTop);
  resize(FitColumns(ListView1) + cWINDOW_SPARE, std::max(0, FnHeight - nFrameHeight));
}

void TfrmInfo::showEvent(QShowEvent* pEvent) {
  QDialog::showEvent(pEvent);
  Place();
}

int TfrmInfo::Execute(int ALeft, int ATop, int AWidth, int AHeight) {
  (void)AWidth;
  Prepare(ALeft, ATop, AHeight);
  Button1->setFocus();
  return exec();
}
