// SPDX-License-Identifier: GPL-2.0-or-later
// The library's entry points: they turn the C records into the session's items and look.
#include "libs/velum/velum.h"

#include <QApplication>
#include <QBuffer>
#include <QFontMetrics>
#include <QImageReader>
#include <QThread>
#include <algorithm>

#include "libs/velum/menu_session.h"
#include "platform/checked_file.h"

namespace {

int g_align = 0;

QColor FromColourRef(VelumColour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The largest menu image that is read; an item background is a few kilobytes.
constexpr std::size_t kMaxMenuImageBytes = std::size_t{32} << 20;

// A menu image, read through the checked opener (a pipe or a device in its place would
// stall the menu) and decoded from memory by its content. A file that cannot be read is
// no image, drawn as a flat fill like a missing one.
QImage ReadImage(const char* path) {
  if (path == nullptr || *path == '\0') return {};
  const FileBytes file = ReadWholeFile(path, kMaxMenuImageBytes);
  if (!file.ok()) return {};
  QByteArray bytes(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  return reader.read();
}

QString ItemText(const VelumMenuItem& item) {
  int length = 0;
  while (length < VELUM_TEXT_CHARS && item.text[length] != 0) ++length;
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(item.text), length);
}

QFont FontOf(const LOGFONTW* lf) {
  QFont font = QApplication::font();
  if (lf == nullptr) return font;
  int faceLength = 0;
  while (faceLength < 31 && lf->lfFaceName[faceLength] != 0) ++faceLength;
  if (faceLength > 0) font.setFamily(QString::fromUtf16(reinterpret_cast<const char16_t*>(lf->lfFaceName), faceLength));
  if (lf->lfWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf->lfWeight, 1, 1000)));
  font.setItalic(lf->lfItalic != 0);
  font.setUnderline(lf->lfUnderline != 0);
  font.setStrikeOut(lf->lfStrikeOut != 0);
  if (lf->lfHeight < 0) {
    font.setPixelSize(-lf->lfHeight);
  } else if (lf->lfHeight > 0) {
    // A cell height: the largest pixel size whose ascent and descent fit in it.
    int size = lf->lfHeight;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > lf->lfHeight) font.setPixelSize(--size);
  }
  return font;
}

}  // namespace

extern "C" {

VELUM_API int CreateMenuEx(HWND owner, int itemHeight, int width, const VelumPoint* at,
                           VelumColour textNormal, VelumColour textHighlighted,
                           VelumColour textPressed, const char* image1, const char* image2,
                           const char* image3, const char* image4, const char* image5,
                           const char* image6, const char* image7, const char* image8,
                           intptr_t context, const VelumColour* frame,
                           const VelumMenuItem* items, int count, const LOGFONTW* font) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  if (QThread::currentThread() != qApp->thread()) return 0;
  velum::MenuSession* session = velum::MenuSession::Instance();
  session->Close();
  if (items == nullptr || count <= 0 || at == nullptr) return 0;
  count = std::min(count, VELUM_MAX_ITEMS);

  // The item tree: a parent must come before its children, so there are no cycles; an item
  // naming no valid parent is left out.
  std::vector<velum::MenuItem> tree(static_cast<std::size_t>(count));
  std::vector<bool> shown(static_cast<std::size_t>(count), false);
  std::vector<int> topLevel;
  for (int i = 0; i < count; ++i) {
    tree[static_cast<std::size_t>(i)].value = items[i].value;
    tree[static_cast<std::size_t>(i)].text = ItemText(items[i]);
    const int parent = items[i].parent;
    if (parent == VELUM_TOP_LEVEL) {
      topLevel.push_back(i);
      shown[static_cast<std::size_t>(i)] = true;
    } else if (parent >= 0 && parent < i && shown[static_cast<std::size_t>(parent)]) {
      tree[static_cast<std::size_t>(parent)].children.push_back(i);
      shown[static_cast<std::size_t>(i)] = true;
    }
  }

  velum::MenuLook look;
  look.itemHeight = itemHeight > 0 ? itemHeight : 20;
  look.text = {FromColourRef(textNormal), FromColourRef(textHighlighted), FromColourRef(textPressed)};
  const char* paths[8] = {image1, image2, image3, image4, image5, image6, image7, image8};
  for (std::size_t i = 0; i < 8; ++i) look.images[i] = ReadImage(paths[i]);
  look.frame = frame != nullptr ? FromColourRef(*frame) : QColor(50, 50, 50);
  look.font = FontOf(font);
  look.align = g_align;
  look.width = width;
  if (look.width < 1) {
    // No width given: the widest text with its padding.
    const QFontMetrics metrics(look.font);
    int widest = 0;
    for (const auto& item : tree) widest = std::max(widest, metrics.horizontalAdvance(item.text));
    look.width = widest + 40;
  }
  return session->Open(owner, context, std::move(tree), std::move(topLevel), std::move(look),
                       QPoint(at->x, at->y))
             ? 1
             : 0;
}

VELUM_API void DestroyMenuEx(void) {
  if (QCoreApplication::instance() == nullptr) return;
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return;
  if (velum::MenuSession* session = velum::MenuSession::Instance()) session->Close();
}

VELUM_API void SetMenuAlign(int align) { g_align = (align >= 0 && align <= 2) ? align : 0; }

VELUM_API int DllPreTranslateMessage(const void*) { return 0; }

VELUM_API void SetGdiInit(int) {}

}  // extern "C"

static_assert(sizeof(VelumMenuItem) == 88, "menu item records are 88 bytes");
static_assert(sizeof(LOGFONTW) == 92, "the logical-font record is 92 bytes");
