#include "app/StationTool.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include <cmath>

#include "app/GLMain.h"
#include "model/WorkingUnits.h"
#include "scene/GLGuards.h"
#include "viewer/GLViewer.h"
#include "viewer/ViewProjection.h"

namespace lumora {
namespace {

// A press and release this close together is a click, not a turn.
constexpr int kClickSlop = 3;
constexpr int kFlySteps = 12;

QString Length(double feet, const TWorkingUnits& u) {
  return QString::number(feet * u.LengthFactor, 'f', 2) + ' ' + QString::fromStdString(u.ShortUnitName);
}

QString Name(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

void Square(double x, double y, double half, bool filled) {
  glBegin(filled ? GL_QUADS : GL_LINE_LOOP);
  glVertex2d(x - half, y - half);
  glVertex2d(x + half, y - half);
  glVertex2d(x + half, y + half);
  glVertex2d(x - half, y + half);
  glEnd();
}

}  // namespace

TStationTool::TStationTool(TForm1& form, QToolBar& bar) : QObject(&form), form_(form) {
  bar.addSeparator();
  edit_ = new QLineEdit;
  edit_->setObjectName("FindEdit");
  edit_->setPlaceholderText("Find station (Ctrl+F)");
  edit_->setToolTip("Find stations by name; * and ? as wildcards. Enter steps through the matches.");
  edit_->setAccessibleName("Find Station");
  edit_->setClearButtonEnabled(true);
  edit_->setMaximumWidth(180);
  bar.addWidget(edit_);
  connect(edit_, &QLineEdit::returnPressed, this, &TStationTool::FindNext);

  findAct_ = new QAction("Find Station", &form);
  findAct_->setObjectName("FindAct");
  findAct_->setShortcut(QKeySequence::Find);
  form.addAction(findAct_);
  connect(findAct_, &QAction::triggered, this, [this] {
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
  });

  field_ = new QLabel;
  field_->setObjectName("StationDis");
  field_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  form.statusBar()->addWidget(field_, 1);

  form.Viewer()->installEventFilter(this);
  // Escape clears wherever the focus is in the window.
  auto* clear = new QAction(QStringLiteral("Clear Selection"), &form);
  clear->setObjectName("ClearSelectionAct");
  clear->setShortcut(Qt::Key_Escape);
  connect(clear, &QAction::triggered, this, [this] { ClearSelection(); });
  form.addAction(clear);
}

TStationTool::~TStationTool() = default;

void TStationTool::Clear() {
  ClearSelection();
  index_.Clear();
  scenePositions_.clear();
  indexStale_ = false;
}

void TStationTool::Rebuild() {
  Clear();
  indexStale_ = true;
}

void TStationTool::EnsureIndex() {
  if (!indexStale_) return;
  indexStale_ = false;
  const TCaveDocument& document = form_.Document();
  index_.Build(document.Model);
  scenePositions_.resize(index_.Count());
  for (int i = 0; i < index_.Count(); ++i)
    scenePositions_[i] = SceneCoordinates(index_.Entry(i).Position, document.Model, document.PassageOptions);
}

void TStationTool::ClearSelection() {
  const bool drawn = selected_ >= 0 || !matches_.empty();
  selected_ = measuredTo_ = current_ = -1;
  matches_.clear();
  searched_.clear();
  field_->clear();
  field_->setToolTip({});
  if (drawn) form_.Viewer()->update();
}

void TStationTool::Show(const QString& text) {
  field_->setText(text);
  field_->setToolTip(text);
}

QString TStationTool::StationText(int e) const {
  const T3DVector p = index_.Entry(e).Position;
  const QString survey = Name(index_.SurveyName(e));
  const TWorkingUnits& u = form_.Document().Units;
  const double k = u.LengthFactor;
  auto n = [k](double feet) { return QString::number(feet * k, 'f', 2); };
  return QString("%1 (%2): x %3, y %4, z %5, depth %6")
      .arg(Name(index_.Name(e)), survey.isEmpty() ? QString("no survey") : survey, n(p.x), n(p.y), Length(p.z, u),
           Length(index_.Depth(e), u));
}

QString TStationTool::MeasureText(int from, int to) const {
  const TMeasurement m = Measure(index_.Entry(from).Position, index_.Entry(to).Position);
  const TWorkingUnits& u = form_.Document().Units;
  return QString("%1 to %2: distance %3, horizontal %4, vertical %5, bearing %6\u00b0, gradient %7\u00b0")
      .arg(Name(index_.Name(from)), Name(index_.Name(to)), Length(m.Distance, u), Length(m.Horizontal, u),
           Length(m.Vertical, u), QString::number(m.Bearing, 'f', 1), QString::number(m.Gradient, 'f', 1));
}

void TStationTool::FindNext() {
  if (!form_.SceneCreated() || form_.Loading()) return;
  const QString text = edit_->text().trimmed();
  if (text.isEmpty()) return ClearSelection();
  if (text.compare(searched_, Qt::CaseInsensitive) != 0 || matches_.empty()) {
    const QByteArray utf8 = text.toUtf8();
    matches_.clear();
    EnsureIndex();
    if (index_.Count() > 0)
      matches_ = index_.Find(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
    searched_ = text;
    current_ = -1;
  }
  if (matches_.empty()) {
    selected_ = measuredTo_ = -1;
    Show(QString("no match for \"%1\"").arg(text));
    form_.Viewer()->update();
    return;
  }
  current_ = (current_ + 1) % static_cast<int>(matches_.size());
  selected_ = matches_[current_];
  measuredTo_ = -1;
  const int n = static_cast<int>(matches_.size());
  Show(QString("%1 %2 for \"%3\", %4 of %1: %5")
           .arg(n)
           .arg(n == 1 ? "match" : "matches", text)
           .arg(current_ + 1)
           .arg(StationText(selected_)));
  FlyTo(selected_);
}

TMatrix4 TStationTool::StationModelview() const {
  const TGLViewer& v = *form_.Viewer();
  return ModelviewOf(v.Camera, {&v.Frame, form_.Scene().CaveFrame, form_.Scene().Stations});
}

bool TStationTool::WindowPosition(int entry, TWindowPoint& out) const {
  return WindowPosition(StationModelview(), entry, out);
}

bool TStationTool::WindowPosition(const TMatrix4& modelview, int entry, TWindowPoint& out) const {
  const TGLViewer& v = *form_.Viewer();
  const auto w = ProjectToWindow(modelview, v.width(), v.height(), scenePositions_[entry]);
  if (w) out = *w;
  return w.has_value();
}

void TStationTool::FlyTo(int entry) {
  const TCaveScene& s = form_.Scene();
  TGLViewer& v = *form_.Viewer();
  const T3DVector eye = TransformPoint(StationModelview(), scenePositions_[entry]);
  // A station behind the eye or at it is brought in front as well.
  const T3DVector shift{-eye.x, -eye.y, eye.z > -10 ? -10 - eye.z : 0};
  // The cave frame moves in its parent's axes, which the view turns.
  const TMatrix4 parent = ModelviewOf(v.Camera, {&v.Frame});
  const T3DVector step = TransformPoint(Transpose(RotationPart(RemoveScale(parent))), Scale(shift, 1.0 / kFlySteps));
  const T3DVector target = Add(s.CaveFrame->Position, Scale(step, kFlySteps));
  for (int i = 1; i < kFlySteps; ++i) {
    s.CaveFrame->Position = Add(s.CaveFrame->Position, step);
    v.repaint();
    QThread::msleep(10);
  }
  s.CaveFrame->Position = target;
  v.update();
}

bool TStationTool::PickAt(int x, int y, bool measure) {
  const TCaveScene& s = form_.Scene();
  EnsureIndex();
  if (scenePositions_.empty() || !s.CaveFrame->Visible) return false;
  const TGLViewer& v = *form_.Viewer();
  const int hit = PickNearest(StationModelview(), v.width(), v.height(), scenePositions_, x, y, kPickRadius);
  if (hit < 0) return false;
  matches_.clear();
  current_ = -1;
  searched_.clear();
  if (measure && selected_ >= 0 && hit != selected_) {
    measuredTo_ = hit;
    Show(MeasureText(selected_, hit));
  } else {
    selected_ = hit;
    measuredTo_ = -1;
    Show(StationText(hit));
  }
  form_.Viewer()->update();
  return true;
}

bool TStationTool::eventFilter(QObject*, QEvent* event) {
  if (!form_.SceneCreated() || form_.Loading()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(event);
      pressed_ = m->button() == Qt::LeftButton;
      pressX_ = m->position().toPoint().x();
      pressY_ = m->position().toPoint().y();
      break;
    }
    case QEvent::MouseButtonDblClick:
      // The double click zooms; its release picks nothing.
      ignoreRelease_ = true;
      break;
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(event);
      const QPoint p = m->position().toPoint();
      const bool click = pressed_ && !ignoreRelease_ && m->button() == Qt::LeftButton &&
                         std::abs(p.x() - pressX_) <= kClickSlop && std::abs(p.y() - pressY_) <= kClickSlop;
      pressed_ = ignoreRelease_ = false;
      if (click) PickAt(p.x(), p.y(), m->modifiers() & Qt::ShiftModifier);
      break;
    }
    default:
      break;
  }
  return false;
}

void TStationTool::Draw() {
  if (scenePositions_.empty() || (selected_ < 0 && matches_.empty()) || !form_.Scene().CaveFrame->Visible) return;
  const TGLViewer& v = *form_.Viewer();
  const int w = v.width(), h = v.height();
  const TWindowPixelsGuard pixels(w, h);
  glLineWidth(2);
  const TMatrix4 m = StationModelview();
  TWindowPoint p;
  glColor3ub(255, 0, 255);
  for (int e : matches_)
    if (e != selected_ && WindowPosition(m, e, p)) Square(p.X, p.Y, 4, false);
  TWindowPoint a, b;
  const bool haveA = selected_ >= 0 && WindowPosition(m, selected_, a);
  const bool haveB = measuredTo_ >= 0 && WindowPosition(m, measuredTo_, b);
  if (haveA && haveB) {
    glColor3ub(255, 255, 255);
    glBegin(GL_LINES);
    glVertex2d(a.X, a.Y);
    glVertex2d(b.X, b.Y);
    glEnd();
  }
  glColor3ub(0, 255, 255);
  if (haveA) Square(a.X, a.Y, 5, true);
  if (haveB) Square(b.X, b.Y, 5, true);
}

}  // namespace lumora
