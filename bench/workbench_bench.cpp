// Time of the workbench's heavy paths on the in-memory window: a whole
// regression run (read the sheet, fit, draw on the surface) of a
// four-parameter logistic curve of 16 standards, and a calculation list of
// 10,000 inputs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "models/Models.h"
#include "numeric/startup.h"
#include "tests/workbench/Fakes.h"
#include "workbench/MainUnit.h"

namespace {

using namespace Titrelle;

// 16 standards, duplicates of 8 doses over three decades, on a rising curve.
void FillStandards(Testing::FakeSheet& Sheet)
{
  std::vector<std::pair<std::string, std::string>> Rows;
  for (int I = 0; I < 16; ++I) {
    const double Dose = 0.1 * std::pow(1000.0, (I / 2) / 7.0);
    const double Od = (2.5 + (0.05 - 2.5) / (1.0 + std::pow(Dose / 5.0, 1.2))) * (1.0 + 0.01 * std::sin(2.7 * I));
    Rows.emplace_back(std::to_string(Dose), std::to_string(Od));
  }
  Sheet.Fill(Rows);
}

void BM_RegressionRun4PL(benchmark::State& State)
{
  StartUpNumericFoundation();
  Testing::FakeWindow Window;
  ResetWorkbench();
  InitModels();
  FormCreate();
  FillStandards(Window.Sheet);
  Window.Controls.Model = 5;  // "Logistic Curve fitting 2 (Four parameters)"
  ChooseModel(5);
  for (auto _ : State) {
    Workbench().ViewMode = ModeDataEntry;
    Window.Surface.Log.clear();
    RunRegression();
    if (Workbench().ViewMode != ModeCurve)
      State.SkipWithError("the regression run failed");
  }
}

void BM_CalculationList(benchmark::State& State)
{
  StartUpNumericFoundation();
  Testing::FakeWindow Window;
  ResetWorkbench();
  InitModels();
  FormCreate();
  FillStandards(Window.Sheet);
  Window.Controls.Model = 5;
  ChooseModel(5);
  RunRegression();
  Button2Click();  // calculate X from Y
  std::string Inputs;
  for (int I = 0; I < 10000; ++I)
    Inputs += std::to_string(0.1 + 2.3 * (I % 1000) / 1000.0) + " ";
  for (auto _ : State) {
    ClearCalculations();
    Window.Controls.Input = Inputs;
    EnterCalculation();
    if (Window.List.ItemCount() != 10000)
      State.SkipWithError("not every input was listed");
  }
}

BENCHMARK(BM_RegressionRun4PL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalculationList)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
