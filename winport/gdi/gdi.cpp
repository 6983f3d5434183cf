// GDI objects and device contexts on top of a Canvas.
//
// Handles are pointers to our own tagged structs, checked against a registry
// before use, so a stale or made-up handle is refused instead of dereferenced.
// Stock objects are static and never freed. Pens are cosmetic: any width draws
// one pixel wide, with the style's dash pattern (PS_INSIDEFRAME draws solid);
// CreatePen(PS_NULL) hands out the stock null pen, as Windows does. There is
// one font, the stock system font.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "winport/font/system_font.h"
#include "winport/gdi/canvas.h"
#include "winport/gdi/dc.h"

namespace winport {
namespace {

enum class Kind { kPen, kBrush, kFont, kDC };

struct Object {
  explicit Object(Kind k, bool s = false) : kind(k), stock(s) {}
  Kind kind;
  bool stock;
};

// Cosmetic: the width asked for is not kept.
struct Pen : Object {
  Pen(int style, COLORREF color, bool isStock = false)
      : Object(Kind::kPen, isStock), attrs{style, color} {}
  PenSpec attrs;
};

struct Brush : Object {
  Brush(bool hollow, COLORREF color, bool isStock = false)
      : Object(Kind::kBrush, isStock), attrs{hollow, color} {}
  BrushSpec attrs;
};

// A font object carries its loaded face, which text on a DC it is selected
// into is drawn with.
struct Font : Object {
  explicit Font(const BitmapFont* f) : Object(Kind::kFont, true), face(f) {}
  const BitmapFont* face;
};

struct DC : Object {
  DC() : Object(Kind::kDC) {}
  Canvas* canvas = nullptr;
  Pen* pen = nullptr;
  Brush* brush = nullptr;
  Font* font = nullptr;
  POINT origin{0, 0};    // the window origin: logical (origin) is at device (viewport)
  POINT viewport{0, 0};  // the viewport origin
  POINT current{0, 0};
  DcColors text{RGB(0, 0, 0), RGB(255, 255, 255), true};
};

Brush stockWhiteBrush(false, RGB(255, 255, 255), true);
Brush stockLtGrayBrush(false, RGB(192, 192, 192), true);
Brush stockGrayBrush(false, RGB(128, 128, 128), true);
Brush stockDkGrayBrush(false, RGB(64, 64, 64), true);
Brush stockBlackBrush(false, RGB(0, 0, 0), true);
Brush stockNullBrush(true, 0, true);
Pen stockWhitePen(PS_SOLID, RGB(255, 255, 255), true);
Pen stockBlackPen(PS_SOLID, RGB(0, 0, 0), true);
Pen stockNullPen(PS_NULL, 0, true);
Font stockSystemFont(systemFace());

Object* stockObject(int index) {
  switch (index) {
    case WHITE_BRUSH:
      return &stockWhiteBrush;
    case LTGRAY_BRUSH:
      return &stockLtGrayBrush;
    case GRAY_BRUSH:
      return &stockGrayBrush;
    case DKGRAY_BRUSH:
      return &stockDkGrayBrush;
    case BLACK_BRUSH:
      return &stockBlackBrush;
    case NULL_BRUSH:
      return &stockNullBrush;
    case WHITE_PEN:
      return &stockWhitePen;
    case BLACK_PEN:
      return &stockBlackPen;
    case NULL_PEN:
      return &stockNullPen;
    case SYSTEM_FONT:
      return &stockSystemFont;
    default:
      return nullptr;
  }
}

bool isStock(const void* p) {
  for (int i = 0; i <= SYSTEM_FONT; ++i) {
    if (stockObject(i) != nullptr && stockObject(i) == p) return true;
  }
  return false;
}

// Everything created and not yet freed, and how many DCs have each selected.
struct Registry {
  std::mutex mutex;
  std::unordered_set<Object*> live;
  std::unordered_map<Object*, int> selections;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: handles may outlive statics
  return *r;
}

// The object behind a handle, or null when it is neither stock nor live.
Object* lookup(const void* handle) {
  if (handle == nullptr) return nullptr;
  if (isStock(handle)) return static_cast<Object*>(const_cast<void*>(handle));
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.live.find(static_cast<Object*>(const_cast<void*>(handle)));
  return it == r.live.end() ? nullptr : *it;
}

DC* lookupDC(HDC handle) {
  Object* o = lookup(handle);
  return o != nullptr && o->kind == Kind::kDC ? static_cast<DC*>(o) : nullptr;
}

void noteSelection(Object* o, int delta) {
  if (o == nullptr || o->stock) return;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  int& n = r.selections[o];
  n += delta;
  if (n <= 0) r.selections.erase(o);
}

template <typename T>
T* adopt(T* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.live.insert(object);
  return object;
}

// Logical to device coordinates (the mapping mode is MM_TEXT: units are
// pixels), saturated so far-away points stay far away instead of wrapping
// around.
int toDevice(int logical, int origin, int viewport) {
  int64_t d = static_cast<int64_t>(logical) - origin + viewport;
  return static_cast<int>(std::clamp<int64_t>(d, INT_MIN, INT_MAX));
}

}  // namespace

HDC createDC(Canvas& canvas) {
  DC* dc = new DC;
  dc->canvas = &canvas;
  dc->pen = &stockBlackPen;
  dc->brush = &stockWhiteBrush;
  dc->font = &stockSystemFont;
  return reinterpret_cast<HDC>(adopt(dc));
}

void releaseDC(HDC handle) {
  DC* dc = lookupDC(handle);
  if (dc == nullptr) return;
  noteSelection(dc->pen, -1);
  noteSelection(dc->brush, -1);
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.erase(dc);
  }
  delete dc;
}

int liveGdiObjects() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return static_cast<int>(r.live.size());
}

}  // namespace winport

using winport::Brush;
using winport::DC;
using winport::Kind;
using winport::Object;
using winport::Pen;

HGDIOBJ WINAPI GetStockObject(int index) { return winport::stockObject(index); }

HPEN WINAPI CreatePen(int style, int /*width*/, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  // As in Windows, every null pen is the stock one.
  if (style == PS_NULL) return reinterpret_cast<HPEN>(&winport::stockNullPen);
  return reinterpret_cast<HPEN>(winport::adopt(new Pen(style, color & 0xFFFFFF)));
}

BOOL WINAPI DeleteObject(HGDIOBJ handle) {
  Object* o = winport::lookup(handle);
  if (o == nullptr || o->kind == Kind::kDC) return FALSE;
  if (o->stock) return TRUE;
  winport::Registry& r = winport::registry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    // Freeing an object a DC still draws with would leave the DC dangling.
    if (r.selections.count(o) != 0) return FALSE;
    r.live.erase(o);
  }
  if (o->kind == Kind::kPen)
    delete static_cast<Pen*>(o);
  else if (o->kind == Kind::kBrush)
    delete static_cast<Brush*>(o);
  return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
  DC* dc = winport::lookupDC(handle);
  Object* o = winport::lookup(object);
  if (dc == nullptr || o == nullptr) return nullptr;
  Object* previous = nullptr;
  switch (o->kind) {
    case Kind::kPen:
      previous = dc->pen;
      dc->pen = static_cast<Pen*>(o);
      break;
    case Kind::kBrush:
      previous = dc->brush;
      dc->brush = static_cast<Brush*>(o);
      break;
    case Kind::kFont:
      previous = dc->font;
      dc->font = static_cast<winport::Font*>(o);
      break;
    case Kind::kDC:
      return nullptr;
  }
  winport::noteSelection(o, +1);
  winport::noteSelection(previous, -1);
  return previous;
}

namespace winport {
namespace {

// Sets one of the DC's points, handing back the one before, as the ...Ex
// calls do.
BOOL setPoint(HDC handle, POINT DC::*which, int x, int y, LPPOINT previous) {
  DC* dc = lookupDC(handle);
  if (dc == nullptr) return FALSE;
  if (previous != nullptr) *previous = dc->*which;
  dc->*which = POINT{x, y};
  return TRUE;
}

}  // namespace
}  // namespace winport

BOOL WINAPI SetWindowOrgEx(HDC handle, int x, int y, LPPOINT previous) {
  return winport::setPoint(handle, &DC::origin, x, y, previous);
}

BOOL WINAPI SetViewportOrgEx(HDC handle, int x, int y, LPPOINT previous) {
  return winport::setPoint(handle, &DC::viewport, x, y, previous);
}

BOOL WINAPI MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  return winport::setPoint(handle, &DC::current, x, y, previous);
}

BOOL WINAPI LineTo(HDC handle, int x, int y) {
  DC* dc = winport::lookupDC(handle);
  if (dc == nullptr) return FALSE;
  const POINT &o = dc->origin, &v = dc->viewport;
  dc->canvas->line(winport::toDevice(dc->current.x, o.x, v.x),
                   winport::toDevice(dc->current.y, o.y, v.y), winport::toDevice(x, o.x, v.x),
                   winport::toDevice(y, o.y, v.y), dc->pen->attrs, dc->text);
  dc->current = POINT{x, y};
  return TRUE;
}

BOOL WINAPI Ellipse(HDC handle, int left, int top, int right, int bottom) {
  DC* dc = winport::lookupDC(handle);
  if (dc == nullptr) return FALSE;
  const POINT &o = dc->origin, &v = dc->viewport;
  dc->canvas->ellipse(winport::toDevice(left, o.x, v.x), winport::toDevice(top, o.y, v.y),
                      winport::toDevice(right, o.x, v.x), winport::toDevice(bottom, o.y, v.y),
                      dc->pen->attrs, dc->brush->attrs, dc->text);
  return TRUE;
}

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR text, int count) {
  DC* dc = winport::lookupDC(handle);
  if (dc == nullptr || count < 0 || (text == nullptr && count > 0)) return FALSE;
  if (count == 0) return TRUE;
  if (dc->font->face == nullptr) return FALSE;
  const POINT &o = dc->origin, &v = dc->viewport;
  dc->canvas->text(winport::toDevice(x, o.x, v.x), winport::toDevice(y, o.y, v.y), *dc->font->face,
                   text, count, dc->text);
  return TRUE;
}

int WINAPI FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  DC* dc = winport::lookupDC(handle);
  Object* b = winport::lookup(brush);
  if (dc == nullptr || rect == nullptr || b == nullptr || b->kind != Kind::kBrush) return 0;
  const winport::BrushSpec& attrs = static_cast<Brush*>(b)->attrs;
  if (attrs.hollow) return 1;
  // A reversed rectangle fills the same area as its normalised form, as PatBlt does.
  const POINT &o = dc->origin, &v = dc->viewport;
  int l = winport::toDevice(rect->left, o.x, v.x), r = winport::toDevice(rect->right, o.x, v.x);
  int t = winport::toDevice(rect->top, o.y, v.y), btm = winport::toDevice(rect->bottom, o.y, v.y);
  if (l > r) std::swap(l, r);
  if (t > btm) std::swap(t, btm);
  dc->canvas->fillRect(l, t, r, btm, attrs.color);
  return 1;
}
