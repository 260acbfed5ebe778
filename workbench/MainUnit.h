// The workbench: everything the calculator does, without a window toolkit.
// It keeps the state of one run of the program and sees the window only
// through the small interfaces below; the Qt form implements them, the
// tests use in-memory fakes. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numeric/matrices.h"

namespace Titrelle {

// ---------------------------------------------------------------------------
// What the logic asks of the window

// The data sheet: a table of cell texts (column 0 the row labels, row 0 the
// headers) with a current cell. The row count is a property: the logic grows
// the sheet rather than drop what the user typed or pasted.
class ISheet {
public:
  virtual ~ISheet() = default;
  virtual int RowCount() const = 0;
  virtual void SetRowCount(int Rows) = 0;
  virtual std::string Cell(int Col, int Row) const = 0;
  virtual void SetCell(int Col, int Row, const std::string& Text) = 0;
  virtual int CurrentCol() const = 0;
  virtual int CurrentRow() const = 0;
  virtual void SetCurrentCell(int Col, int Row) = 0;
  virtual void Focus() = 0;
};

enum class TMessageIcon { None, Error, Information };
enum class TMessageButtons { Ok, YesNo };
enum class TMessageResult { Ok, Yes, No };

// A modal message box: text, caption, icon and buttons.
struct TMessage {
  std::string Text;
  std::string Caption;
  TMessageIcon Icon = TMessageIcon::None;
  TMessageButtons Buttons = TMessageButtons::Ok;
};

class IMessages {
public:
  virtual ~IMessages() = default;
  virtual TMessageResult Show(const TMessage& Message) = 0;
};

// What UpdateView sets for a mode (the window applies it to its controls).
struct TViewState {
  bool SheetVisible = false;        // StringGrid1
  bool ImageVisible = false;        // Image1
  bool MemoVisible = false;         // Memo1
  bool CalculationVisible = false;  // Label4, Edit1, Button7, ListView1
  bool InputsEnabled = false;       // ComboBox1..3, CheckBox1..3, Edit2..4
  bool ModeButtonsVisible = false;  // Button2, Button3
  bool XFromYEnabled = false;       // Button2
  bool YFromXEnabled = false;       // Button3
  bool CalculationDefault = false;  // Button7 is the default button
  bool ReportVisible = false;       // Button8
  bool ReportEnabled = false;       // Button8
  bool ClearVisible = false;        // Button9
  bool PasteEnabled = false;        // Button10
  std::string FitCaption;           // Button1
  bool operator==(const TViewState&) const = default;
};

// The controls of the control panel and the calculation view that the
// logic reads or sets.
class IControls {
public:
  virtual ~IControls() = default;
  virtual int ModelIndex() const = 0;              // ComboBox1
  virtual bool GeneralForm() const = 0;            // CheckBox1
  virtual bool ConstantTerm() const = 0;           // CheckBox2
  virtual void SetOptionBoxesVisible(bool GeneralForm, bool ConstantTerm) = 0;
  virtual bool SubtractBackground() const = 0;     // CheckBox3
  virtual std::string BackgroundText() const = 0;  // Edit4
  virtual int XTransform() const = 0;              // ComboBox2
  virtual int YTransform() const = 0;              // ComboBox3
  virtual std::string XTitle() const = 0;          // Edit2
  virtual std::string YTitle() const = 0;          // Edit3
  virtual std::string InputText() const = 0;       // Edit1
  virtual void SetInputText(const std::string& Text) = 0;
  virtual void FocusInput() = 0;
  virtual void SetInputLabel(const std::string& Caption) = 0;  // Label4
  virtual std::string ReportText() const = 0;                  // Memo1
  virtual void SetReportText(const std::string& Text) = 0;
  virtual void ApplyViewState(const TViewState& State) = 0;
};

// The calculation list (ListView1): two columns of texts.
class ICalculationList {
public:
  virtual ~ICalculationList() = default;
  virtual void SetColumnCaptions(const std::string& Input, const std::string& Result) = 0;
  virtual std::string ColumnCaption(int Col) const = 0;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& Input, const std::string& Result) = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemText(int Item, int Col) const = 0;
  // Scrolls down by Pixels, in whole lines, so the newest items show.
  virtual void ScrollDown(int Pixels) = 0;
};

struct TColour {
  std::uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TColour&) const = default;
};
inline constexpr TColour White{255, 255, 255};
inline constexpr TColour Black{0, 0, 0};
inline constexpr TColour Red{255, 0, 0};

enum class TPenStyle { Solid, Dotted, Clear };

// The drawing surface of the plot (Image1): origin top left, y downwards.
class ISurface {
public:
  virtual ~ISurface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetPen(TPenStyle Style, TColour Colour, int Width) = 0;
  virtual void SetPenStyle(TPenStyle Style) = 0;
  virtual void SetBrush(TColour Colour) = 0;
  virtual void SetBold(bool Bold) = 0;
  // Outline with the pen, interior with the brush.
  virtual void Rectangle(int Left, int Top, int Right, int Bottom) = 0;
  virtual void Ellipse(int Left, int Top, int Right, int Bottom) = 0;
  virtual void MoveTo(int X, int Y) = 0;
  virtual void LineTo(int X, int Y) = 0;
  virtual void TextOut(int X, int Y, const std::string& Text) = 0;
  virtual int TextWidth(const std::string& Text) const = 0;
  virtual TColour Pixel(int X, int Y) const = 0;
  virtual void SetPixel(int X, int Y, TColour Colour) = 0;
};

class IClipboard {
public:
  virtual ~IClipboard() = default;
  virtual bool HasText() const = 0;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& Text) = 0;
  // Puts the picture of the plot surface on the clipboard.
  virtual void SetPicture() = 0;
};

// The desktop: the program's folder and opening a document with its viewer.
class IShell {
public:
  virtual ~IShell() = default;
  virtual std::string ExecutableFolder() const = 0;  // with its trailing separator
  virtual bool OpenDocument(const std::string& Path) = 0;
};

struct TWindowPorts {
  ISheet* Sheet = nullptr;
  IControls* Controls = nullptr;
  IMessages* Messages = nullptr;
  ICalculationList* List = nullptr;
  ISurface* Surface = nullptr;
  IClipboard* Clipboard = nullptr;
  IShell* Shell = nullptr;
};

// The window the logic talks to; set once at start-up (tests set fakes).
void ConnectWindow(const TWindowPorts& Ports);
const TWindowPorts& Window();

// ---------------------------------------------------------------------------
// Workbench state

enum : int {
  ModeDataEntry = 0,
  ModeCurve = 1,
  ModeXFromY = 2,
  ModeYFromX = 3,
  ModeReport = 4,
};

inline constexpr int SplineModelCode = 100;
inline constexpr int LogitLogModelCode = 101;
inline constexpr int InitialRowCount = 128;

struct TSplineKnot {
  Float X = 0.0;
  Float Y = 0.0;  // mean response
  int Count = 0;  // points merged
};

// y = A x^3 + B x^2 + C x + D in absolute x.
struct TSplineSegment {
  Float A = 0.0, B = 0.0, C = 0.0, D = 0.0;
};

struct TWorkbenchState {
  int ViewMode = ModeDataEntry;
  int ModelCode = 0;
  TVector CurveParams;
  TVector ModelOptions;
  TVector DataX, DataY;  // points at 1..PointCount
  int PointCount = 0;
  std::vector<TSplineKnot> SplineKnots;
  std::vector<TSplineSegment> SplineSegments;
  Float ZeroResponse = 0.0;
  std::vector<std::string> XFromYInputs, YFromXInputs;
  std::string EditStartText;
};

TWorkbenchState& Workbench();
// Start-up state: everything zero, empty or false; ModelCode 0.
void ResetWorkbench();

// ---------------------------------------------------------------------------
// Data sheet

inline constexpr const char* ExclusionMark = "×";

// Decimal number with optional sign, point and exponent after trimming codes
// up to 32; false for anything else or a magnitude beyond the double range.
bool ParseNumber(const std::string& Text, Float& Value);
// Forward and inverse column transformations by list index; false on failure.
bool ApplyTransform(Float& V, int Index);
bool UndoTransform(Float& V, int Index);
Float BackgroundValue();
// True when the background box is clear or its field holds a valid number.
bool BackgroundIsValid();
int LastUsedRow();
bool ReadData();
void ToggleExclusion(int Row, int Col);
void BeginCellEdit(int Col, int Row, const std::string& Text);
void EndCellEdit(int Col, int Row, const std::string& Text);

// ---------------------------------------------------------------------------
// Fit controller, logit-log regression, cubic spline

void ChooseModel(int ListIndex);
bool FitCurve();
bool FitLogitLog();
bool BuildSpline();

// ---------------------------------------------------------------------------
// Curve evaluation and inversion, calculation lists

bool EvaluateCurve(Float& Y, Float X);
bool InvertCurve(Float& X1, Float& X2, Float& X3, int& Count, Float Y);
bool SolveQuadratic(Float A, Float B, Float C, Float& X1, Float& X2, int& Count);
bool SolveCubic(Float A0, Float A1, Float A2, Float A3, Float& X1, Float& X2, Float& X3, int& Count);
bool InvertSpline(Float Y, Float& X1);
std::string FormatNumber(Float X);
int FirstSeparator(const std::string& Text);
void CalculateEntry(const std::string& Text);
void EnterCalculation();
void RelistCalculations();
void ClearCalculations();

// ---------------------------------------------------------------------------
// Regression report

struct TDevRec {
  std::string MeanText;
  std::string SDText;
  std::string CVText;
};

void SortData();
void ReplicateStats(std::vector<TDevRec>& Dev);
Float CurveRSquared();
std::string FormatFixed(Float X, int Width, int Decimals);
void ShowReport();

// ---------------------------------------------------------------------------
// Curve plot

void AxisScale(const TVector& V, int N, Float& Lo, Float& Hi, Float& Step, int& Count);
void DrawCurve();

// ---------------------------------------------------------------------------
// Commands

TViewState ViewStateFor(int Mode, int ModelCode);
void UpdateView();
void FormCreate();
void RunRegression();
void Button1MouseDown(bool Ctrl, bool Alt);
void Button1Click();
void Button2Click();
void Button3Click();
void Button8Click();
void Button9Click();
void CopyView();
void PasteText();
// A character typed in the sheet; true when the key was consumed.
bool SheetKeyPress(char Key);
// True when the window may close (asks when the sheet holds data).
bool FormCloseQuery();
std::string HelpPagePath();
void ShowHelp();
std::string AboutText();
void Panel1MouseDown(bool Ctrl, bool Alt, bool Shift);

}  // namespace Titrelle
