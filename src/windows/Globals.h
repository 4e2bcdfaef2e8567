#pragma once

namespace kelo::app {

class TFrmKeloMain;
class TFrmDrop;
class TForm1;

// The program's top-level windows. FrmDrop is the current mini window: the main window
// may replace it by a fresh one, and everything that acts on the mini window acts on
// the one it designates at that moment.
inline TFrmKeloMain* FrmKeloMain = nullptr;
inline TFrmDrop* FrmDrop = nullptr;
inline TForm1* Form1 = nullptr;

}  // namespace kelo::app
