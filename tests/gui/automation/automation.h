// Playing a user on the real widgets: find a dialog's window and controls,
// answer message boxes, click, type and tick with real input events, and run
// a session as a list of steps, each taken once its condition holds. The GUI
// tests, the screenshot walk and the benchmark use it.
//
// The steps are polled by a timer, so they keep running inside every nested
// event loop (message boxes, modal dialogs) that the session opens.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

namespace tarn::gui {

class DialogView;
class QtHost;

// The visible view of a dialog on this template, or nullptr.
DialogView* FindView(int templateId);
// Control `id` of the visible view on `templateId`, or nullptr.
QWidget* FindControl(int templateId, int id);
// The text an edit, static text, button or group box shows.
QString ShownText(const QWidget* control);

// The message box on screen, or nullptr.
QMessageBox* OpenMessageBox();
// The string-table id of the box on screen (0 for a built text, -1 for none).
int OpenMessageId();
// Clicks `button` of the box on screen; false when there is none.
bool AnswerMessage(QMessageBox::StandardButton button);

// Real input on a control.
void Click(QWidget* control);
void TypeInto(QWidget* edit, const QString& text);  // replaces the edit's text
void CloseWindow(QWidget* window);                  // the close box of its window

// A session played step by step.
class Scenario {
 public:
  using Condition = std::function<bool()>;
  using Action = std::function<void()>;

  explicit Scenario(QtHost& host);
  ~Scenario();

  // Once `ready` holds, `act` runs, once; then the next step is waited for.
  Scenario& Then(const QString& name, Condition ready, Action act = {});
  // Starts polling. Past the deadline the scenario fails at the step it was
  // waiting for (or, after the last step, if the session has not ended) and
  // closes every box and modal run until the session returns.
  void Start(std::chrono::milliseconds timeout);

  bool Finished() const { return next_ == steps_.size(); }
  bool Failed() const { return failed_; }
  // The step the scenario was waiting for when it failed.
  QString FailedStep() const { return failedStep_; }

 private:
  struct Step {
    QString name;
    Condition ready;
    Action act;
  };
  void Poll();
  void Fail(const QString& step);
  void GiveUp();

  QtHost& host_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool failed_ = false;
  bool actionPending_ = false;
  QString failedStep_;
  QTimer timer_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace tarn::gui
