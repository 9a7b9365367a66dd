#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace velmar::test {

struct TemplateControl {
  int id;
  std::wstring className;  // ordinals named: Button, Edit, Static, ComboBox ...
  std::wstring text;
  short x, y, cx, cy;
  DWORD style;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  WORD pointSize = 0;
  std::wstring font;
  std::vector<TemplateControl> controls;
};

// Reads an extended dialog template from a module's resources (the executable loaded as
// a data file), so positions and styles are checked in dialog units as written.
bool LoadDialogTemplate(HMODULE module, int id, DialogTemplate& out);

}  // namespace velmar::test
