#include "gui/automation/automation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "gui/controls.h"
#include "gui/dialog_view.h"
#include "gui/qt_host.h"

namespace tarn::gui {
namespace {

constexpr std::chrono::milliseconds kPollInterval(5);
const QString kMessagePrefix = QStringLiteral("message-");

}  // namespace

DialogView* FindView(int templateId) {
  const QString name = QStringLiteral("dialog-%1").arg(templateId);
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* view = dynamic_cast<DialogView*>(widget);
    if (view != nullptr && view->objectName() == name && view->isVisible()) return view;
  }
  return nullptr;
}

QWidget* FindControl(int templateId, int id) {
  DialogView* view = FindView(templateId);
  return view != nullptr ? view->Control(id) : nullptr;
}

QString ShownText(const QWidget* control) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (const auto* label = dynamic_cast<const StaticTextWidget*>(control)) return label->text();
  if (const auto* box = dynamic_cast<const GroupBoxWidget*>(control)) return box->text();
  return {};
}

QMessageBox* OpenMessageBox() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

int OpenMessageId() {
  const QMessageBox* box = OpenMessageBox();
  if (box == nullptr) return -1;
  const QString name = box->objectName();
  if (!name.startsWith(kMessagePrefix)) return 0;
  bool isNumber = false;
  const int id = name.mid(kMessagePrefix.size()).toInt(&isNumber);
  return isNumber ? id : 0;
}

bool AnswerMessage(QMessageBox::StandardButton button) {
  QMessageBox* box = OpenMessageBox();
  QAbstractButton* choice = box != nullptr ? box->button(button) : nullptr;
  if (choice == nullptr) return false;
  Click(choice);
  return true;
}

void Click(QWidget* control) {
  if (control == nullptr) return;
  // A check box only counts clicks on its box and caption, so aim at the box.
  const QPoint at = qobject_cast<QCheckBox*>(control) != nullptr
                        ? QPoint(control->height() / 2, control->height() / 2)
                        : control->rect().center();
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
}

void TypeInto(QWidget* edit, const QString& text) {
  auto* line = qobject_cast<QLineEdit*>(edit);
  if (line == nullptr) return;
  QTest::mouseClick(line, Qt::LeftButton);
  line->selectAll();
  QTest::keyClick(line, Qt::Key_Backspace);
  QTest::keyClicks(line, text);
}

void CloseWindow(QWidget* window) {
  if (window != nullptr) window->window()->close();
}

Scenario::Scenario(QtHost& host) : host_(host) {
  timer_.setInterval(kPollInterval);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
}

Scenario::~Scenario() {
  timer_.stop();
}

Scenario& Scenario::Then(const QString& name, Condition ready, Action act) {
  steps_.push_back({name, std::move(ready), std::move(act)});
  return *this;
}

void Scenario::Start(std::chrono::milliseconds timeout) {
  deadline_ = std::chrono::steady_clock::now() + timeout;
  timer_.start();
}

// An action runs as an event of its own, not inside the timer's: a timer does
// not fire again while its own handler waits in a nested event loop, and the
// next step must be played while the action still waits (for a message box
// or a modal dialog). The step counts as taken once its action has started.
void Scenario::Poll() {
  const bool late = std::chrono::steady_clock::now() >= deadline_;
  if (actionPending_) return;
  if (failed_) {
    GiveUp();
    return;
  }
  if (Finished()) {
    // The session should end by itself after the last step.
    if (late && (OpenMessageBox() != nullptr || host_.ActiveWindow() != nullptr)) {
      Fail(QStringLiteral("the session to end"));
    }
    return;
  }
  Step& step = steps_[next_];
  if (!step.ready()) {
    if (late) Fail(step.name);
    return;
  }
  ++next_;
  if (!step.act) return;
  actionPending_ = true;
  QMetaObject::invokeMethod(
      &timer_,
      [this, act = step.act] {
        actionPending_ = false;
        act();
      },
      Qt::QueuedConnection);
}

void Scenario::Fail(const QString& step) {
  failed_ = true;
  failedStep_ = step;
  GiveUp();
}

// Closes whatever the session shows, again on every tick, until it returns.
void Scenario::GiveUp() {
  if (QMessageBox* box = OpenMessageBox()) box->reject();
  host_.AbandonModalRuns();
}

}  // namespace tarn::gui
