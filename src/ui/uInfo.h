// The firmware overview: one row per image the program can put on a logger, the file image
// (when one was read) above the carried images from the highest index down.
#pragma once

#include "catalogue/uFwHeader.h"

#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

class TfrmInfo : public QDialog {
  Q_OBJECT

public:
  explicit TfrmInfo(QWidget* pParent = nullptr);

  // Fills the list, places the window at ALeft, ATop with the outer height AHeight, fits
  // its width to the columns and shows it modally. AWidth is not used.
  int Execute(int ALeft, int ATop, int AWidth, int AHeight);
  // The same without showing: what Execute prepares.
  void Prepare(int ALeft, int ATop, int AHeight);
  void AddRow(const TBl3FileHeader& header);
  // Sizes every column to the larger of its header and its contents, plus 5; the sum.
  static int FitColumns(QTreeWidget* list);

  QTreeWidget* ListView1;
  QWidget* Panel1;
  QPushButton* Button1;

protected:
  // The placement is done again once shown: only then is the window's own frame known.
  void showEvent(QShowEvent* pEvent) override;

private:
  void Place();
  int FnLeft = 0;
  int FnTop = 0;
  int FnHeight = 0;
};

extern TfrmInfo* frmInfo;
