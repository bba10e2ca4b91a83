// The report window: one time-stamped line for every step of the current run. It hangs
// below the main window and is shown only in internal mode.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

class TfrmProtocol : public QWidget {
  Q_OBJECT

public:
  explicit TfrmProtocol(QWidget* pParent = nullptr);

  // Appends "hh-nn-ss -> sLine".
  void Add(const QString& sLine);
  void Clear();
  // Places the window below the main window, as wide as it, and empties the report.
  void FormCreate();

  QStringList Lines() const;

  QPlainTextEdit* Memo1;

protected:
  void showEvent(QShowEvent* pEvent) override;

private:
  // Below the main window, as wide as its frame. Done again at the first showing, once the
  // window's own frame is known.
  void PlaceBelowMain();
  bool FbShown = false;
};

extern TfrmProtocol* frmProtocol;
