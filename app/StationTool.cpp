#include "app/StationTool.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

#include "app/GLMain.h"
#include "app/StatusFields.h"
#include "app/core/CaveOverlays.h"
#include "model/WorkingUnits.h"
#include "scene/GLGuards.h"
#include "viewer/GLViewer.h"
#include "viewer/ViewProjection.h"

namespace lumora {
namespace {

// A press and release this close together is a click, not a turn.
constexpr int kClickSlop = 3;
constexpr int kFlySteps = 12;
// The drop-down lists this many matches; Enter still frames them all.
constexpr int kListed = 200;
// One station is framed with this share of the cave's size around it.
constexpr double kAroundOne = 0.03;

QString Length(double feet, const TWorkingUnits& u) {
  return QString::number(feet * u.LengthFactor, 'f', 2) + ' ' + QString::fromStdString(u.ShortUnitName);
}

QString Name(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

void FilledSquare(double x, double y, double half) {
  glBegin(GL_QUADS);
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
  connect(edit_, &QLineEdit::returnPressed, this, [this] {
    const QTreeWidgetItem* chosen = list_->isVisible() ? list_->currentItem() : nullptr;
    list_->hide();
    if (chosen)
      Choose(chosen->data(0, Qt::UserRole).toInt());
    else
      FindNext();
  });
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Search(text.trimmed());
    ShowMatchList();
  });
  edit_->installEventFilter(this);

  // A window of its own that never takes the focus: typing goes on in the box.
  list_ = new QTreeWidget(&form);
  list_->setObjectName("FindList");
  list_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  list_->setAttribute(Qt::WA_ShowWithoutActivating);
  list_->setFocusPolicy(Qt::NoFocus);
  list_->setHeaderLabels({"Station", "Survey", "Depth"});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->header()->setStretchLastSection(false);
  connect(list_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    list_->hide();
    Choose(item->data(0, Qt::UserRole).toInt());
  });

  findAct_ = new QAction("Find Station", &form);
  findAct_->setObjectName("FindAct");
  findAct_->setShortcut(QKeySequence::Find);
  form.addAction(findAct_);
  connect(findAct_, &QAction::triggered, this, [this] {
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
  });

  field_ = new TElidedLabel;
  field_->setObjectName("StationDis");
  form.statusBar()->addWidget(field_, 1);
  auto* copy = new QAction(QStringLiteral("Copy Measurement"), &form);
  copy->setObjectName("CopyMeasurementAct");
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, this, [this] {
    if (!fieldText_.isEmpty()) QApplication::clipboard()->setText(fieldText_);
  });
  form.addAction(copy);

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
  grid_.Clear();
  shown_.clear();
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
  UpdateShown();
}

void TStationTool::UpdateShown() {
  const TCaveDocument& document = form_.Document();
  grid_.Clear();
  shown_.clear();
  if (document.AllSurveysShown()) return;
  shown_.resize(static_cast<size_t>(index_.Count()));
  for (int i = 0; i < index_.Count(); ++i) shown_[i] = document.SurveyShown(index_.Entry(i).Survey);
}

void TStationTool::SurveysChanged() {
  ClearSelection();
  if (!indexStale_) UpdateShown();
}

void TStationTool::ClearSelection() {
  const bool drawn = selected_ >= 0 || !matches_.empty();
  selected_ = measuredTo_ = current_ = -1;
  stepping_ = false;
  matches_.clear();
  searched_.clear();
  list_->hide();
  Show({});
  if (drawn) form_.Viewer()->update();
}

void TStationTool::Show(const QString& text) {
  fieldText_ = text;
  field_->SetFullText(text);
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

void TStationTool::Search(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  matches_.clear();
  EnsureIndex();
  if (!text.isEmpty() && index_.Count() > 0)
    matches_ = index_.Find(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
  if (!shown_.empty()) std::erase_if(matches_, [this](int e) { return !shown_[e]; });
  searched_ = text;
  current_ = -1;
  stepping_ = false;
}

void TStationTool::ShowMatchList() {
  list_->clear();
  if (matches_.empty() || !edit_->hasFocus()) {
    list_->hide();
    return;
  }
  const TWorkingUnits& u = form_.Document().Units;
  QList<QTreeWidgetItem*> items;
  for (size_t i = 0; i < matches_.size() && i < static_cast<size_t>(kListed); ++i) {
    const int e = matches_[i];
    auto* item = new QTreeWidgetItem({Name(index_.Name(e)), Name(index_.SurveyName(e)), Length(index_.Depth(e), u)});
    item->setData(0, Qt::UserRole, e);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    items.push_back(item);
  }
  list_->addTopLevelItems(items);
  for (int c = 0; c < 3; ++c) list_->resizeColumnToContents(c);
  const int rows = std::min<int>(static_cast<int>(items.size()), 12);
  const int width = list_->header()->length() + 4 + list_->verticalScrollBar()->sizeHint().width();
  list_->resize(std::max(width, edit_->width()), list_->header()->height() + rows * list_->sizeHintForRow(0) + 4);
  list_->move(edit_->mapToGlobal(QPoint(0, edit_->height())));
  list_->show();
  list_->raise();
}

void TStationTool::FindNext() {
  if (!form_.SceneCreated() || form_.Loading()) return;
  const QString text = edit_->text().trimmed();
  if (text.isEmpty()) return ClearSelection();
  if (text.compare(searched_, Qt::CaseInsensitive) != 0 || matches_.empty()) Search(text);
  if (!stepping_) {
    if (matches_.empty()) {
      selected_ = measuredTo_ = -1;
      Show(QString("no match for \"%1\"").arg(text));
      form_.Viewer()->update();
      return;
    }
    stepping_ = true;
    if (matches_.size() > 1) {
      // First all of them, then one by one.
      selected_ = measuredTo_ = current_ = -1;
      Show(QString("%1 matches for \"%2\", all framed; Enter steps through them").arg(matches_.size()).arg(text));
      Frame(matches_);
      return;
    }
  }
  StepTo((current_ + 1) % static_cast<int>(matches_.size()));
}

void TStationTool::StepTo(int place) {
  current_ = place;
  selected_ = matches_[current_];
  measuredTo_ = -1;
  const int n = static_cast<int>(matches_.size());
  Show(QString("%1 %2 for \"%3\", %4 of %1: %5")
           .arg(n)
           .arg(n == 1 ? "match" : "matches", searched_)
           .arg(current_ + 1)
           .arg(StationText(selected_)));
  Frame({selected_});
}

void TStationTool::Choose(int entry) {
  const auto at = std::find(matches_.begin(), matches_.end(), entry);
  if (at == matches_.end()) return;
  stepping_ = true;
  StepTo(static_cast<int>(at - matches_.begin()));
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

void TStationTool::Frame(const std::vector<int>& entries) {
  std::vector<T3DVector> points;
  for (int e : entries) points.push_back(scenePositions_[e]);
  FramePoints(points);
}

void TStationTool::FramePoints(const std::vector<T3DVector>& points) {
  if (points.empty() || !form_.SceneCreated()) return;
  const TMatrix4 m = StationModelview();
  std::vector<T3DVector> eye;
  if (points.size() == 1) {
    // One station: a cube of the cave around it.
    const TGLFastMesh& walls = *form_.Scene().PassageMesh;
    const double a = std::max(kAroundOne * Length(Subtract(walls.GetMax(), walls.GetMin())), 1.0);
    const T3DVector c = TransformPoint(m, points[0]);
    for (int k = 0; k < 8; ++k) eye.push_back(Add(c, T3DVector{k & 1 ? a : -a, k & 2 ? a : -a, k & 4 ? a : -a}));
  } else {
    for (const T3DVector& p : points) eye.push_back(TransformPoint(m, p));
  }
  T3DVector lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (const T3DVector& e : eye) {
    lo = MinVector(lo, e);
    hi = MaxVector(hi, e);
  }
  const T3DVector centre = Scale(Add(lo, hi), 0.5);
  const TGLViewer& v = *form_.Viewer();
  // The centre's distance D at which the farthest-out point just reaches the
  // margin: a point o farther than the centre and dx aside lands 1000 dx /
  // (D + o) pixels from the middle; none comes nearer than the near plane.
  const double fx = (0.5 - kFrameMargin) * std::max(v.width(), 1), fy = (0.5 - kFrameMargin) * std::max(v.height(), 1);
  double distance = 0;
  for (const T3DVector& e : eye) {
    const double o = centre.z - e.z;
    distance = std::max(
        {distance, 1000 * std::abs(e.x - centre.x) / fx - o, 1000 * std::abs(e.y - centre.y) / fy - o, 10 - o});
  }
  FlyBy({-centre.x, -centre.y, -distance - centre.z});
}

void TStationTool::FlyBy(const T3DVector& shift) {
  const TCaveScene& s = form_.Scene();
  TGLViewer& v = *form_.Viewer();
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
  const TMatrix4 m = StationModelview();
  if (!grid_.BuiltFor(m, v.width(), v.height(), scenePositions_.size(), kPickRadius))
    grid_.Build(m, v.width(), v.height(), scenePositions_, shown_, kPickRadius);
  const int hit = grid_.Nearest(x, y);
  if (hit < 0) return false;
  matches_.clear();
  current_ = -1;
  searched_.clear();
  stepping_ = false;
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

bool TStationTool::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::FocusOut) list_->hide();
    if (event->type() != QEvent::KeyPress || !list_->isVisible()) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      list_->hide();
      return true;
    }
    if (key != Qt::Key_Down && key != Qt::Key_Up) return false;
    const int row = list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
    const int next = std::clamp(row + (key == Qt::Key_Down ? 1 : -1), 0, list_->topLevelItemCount() - 1);
    list_->setCurrentItem(list_->topLevelItem(next));
    return true;
  }
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
  glColor3ub(255, 0, 255);
  DrawSquareMarks(m, w, h, scenePositions_, matches_, selected_, 4);
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
  if (haveA) FilledSquare(a.X, a.Y, 5);
  if (haveB) FilledSquare(b.X, b.Y, 5);
}

}  // namespace lumora
