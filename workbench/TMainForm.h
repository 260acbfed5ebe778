// The calculator's main window. It implements the window interfaces of the
// workbench logic (MainUnit.h) with Qt widgets and does nothing else: every
// handler is a line or two that calls the logic.
#pragma once

#include <memory>

#include <QImage>
#include <QWidget>

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QEvent;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace Titrelle {

class IMessages;
class IShell;

class TMainForm : public QWidget {
  Q_OBJECT

public:
  // Builds the controls, connects the window to the logic and runs FormCreate
  // (data sheet view, sheet headers and row labels, sheet focus).
  explicit TMainForm(QWidget* Parent = nullptr);
  ~TMainForm() override;

  // Replaces the modal message boxes; nullptr restores the QMessageBox port.
  void SetMessages(IMessages* Messages);
  // Replaces the desktop (program folder, document viewer); nullptr restores
  // the QDesktopServices port.
  void SetShell(IShell* Shell);
  // The plot picture (Image1).
  QImage PlotImage() const;

protected:
  void closeEvent(QCloseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  class TSheetPort;
  class TControlsPort;
  class TMessagesPort;
  class TListPort;
  class TSurfacePort;
  class TClipboardPort;
  class TShellPort;
  class TSheetDelegate;

  // Construction steps.
  void CreateControlPanel();
  void CreateDisplayPanel();
  void SetTabOrder();
  void ConnectHandlers();
  void ConnectPorts();
  void ShowPlot();

  // Handlers, named as the logic names them.
  void ComboBox1Change(int Index);
  void Button1MouseDown(Qt::KeyboardModifiers Modifiers);
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void Button10Click();
  void Panel1MouseDown(Qt::KeyboardModifiers Modifiers);
  void Edit4DblClick();
  void StringGrid1MouseDown(int Col, int Row);
  void StringGrid1GetEditText(int Col, int Row, const QString& Text);
  void StringGrid1SetEditText(int Col, int Row, const QString& Text);
  bool StringGrid1KeyPress(const QKeyEvent* Event);

  // Control panel.
  QFrame* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button5 = nullptr;

  // Display panel.
  QFrame* Panel2 = nullptr;
  QTableWidget* StringGrid1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button9 = nullptr;
  QTreeWidget* ListView1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;

  // The window as the logic sees it.
  std::unique_ptr<TSheetPort> Sheet;
  std::unique_ptr<TControlsPort> Controls;
  std::unique_ptr<TMessagesPort> Messages;
  std::unique_ptr<TListPort> List;
  std::unique_ptr<TSurfacePort> Surface;
  std::unique_ptr<TClipboardPort> Clipboard;
  std::unique_ptr<TShellPort> Shell;
  IMessages* MessagesInUse = nullptr;
  IShell* ShellInUse = nullptr;
};

}  // namespace Titrelle
