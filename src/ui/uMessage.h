// The message window: the final message of a run, placed over the main window, modal until
// the operator presses OK.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

class TfrmMessage : public QDialog {
  Q_OBJECT

public:
  explicit TfrmMessage(QWidget* pParent = nullptr);

  // Sits inside the window x, y, w, h (outer geometry): 10 pixels in from its left and right
  // edges, the lower edge 10 pixels above its lower edge. Returns when the window is closed.
  void showMsg(const QString& sMsg, int x, int y, int w, int h);
  // The placement alone, without showing.
  void PlaceOver(int x, int y, int w, int h);

  QWidget* Panel1;
  QPushButton* Button1;
  QPlainTextEdit* Memo1;

public slots:
  void Button1Click();

protected:
  // The placement is done again once shown: only then is the window's own frame known.
  void showEvent(QShowEvent* pEvent) override;

private:
  QRect FrOver;
};

extern TfrmMessage* frmMessage;
