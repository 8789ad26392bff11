#ifndef TARNO_UI_WIN32_INFO_WINDOW_H_
#define TARNO_UI_WIN32_INFO_WINDOW_H_

// The information window ("DXCC", template IDD_INFO_WINDOW): the worked-before table of the
// call being typed, painted into one owner-drawn button that fills the window. Modeless,
// without a parent, on the county window's thread, which creates it, feeds it at every
// refresh and destroys it when the county window has closed. Its close box only hides it.
// Everything here runs on that thread.

#include <string>

#include "ui/info_table.h"
#include "ui/module_view.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/window_position.h"

namespace tarno {

// The table button (IDC_INFO_TABLE): what it shows and how it is painted.
class CVeDiInfoButton {
 public:
  void SetTable(InfoTableData table) { m_table = std::move(table); }
  const InfoTableData& table() const { return m_table; }

  // Paints the whole item, off screen first when the target is a screen.
  void DrawItem(const DRAWITEMSTRUCT& item) const;

 private:
  InfoTableData m_table;
};

class DXCC {
 public:
  // `module` keeps the window's place and must outlive it.
  explicit DXCC(ModuleView& module) : m_module(module) {}
  ~DXCC();  // destroys the window
  DXCC(const DXCC&) = delete;
  DXCC& operator=(const DXCC&) = delete;

  // Creates the window, hidden, at its saved place ("dxcc_x", "dxcc_y"; a 0 there stands
  // for 10 across and 400 down). False when it cannot be created.
  bool Create(HINSTANCE module);
  HWND window() const { return m_window; }

  // Takes the title and the table of a refresh; the table is repainted without being
  // erased first, so that it does not flicker.
  void ShowRefresh(const std::string& title, InfoTableData table);

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit(HWND window);
  void FitTableToClient(int clientWidth, int clientHeight);

  ModuleView& m_module;
  HWND m_window = nullptr;
  CVeDiInfoButton m_table;
  SavedPosition m_position{"dxcc_x", "dxcc_y"};
};

}  // namespace tarno

#endif  // TARNO_UI_WIN32_INFO_WINDOW_H_
