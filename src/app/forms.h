#pragma once
// The fourteen windows, each a single instance for the whole run, reached through its global reference.

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TSiteSource;

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;
extern TForm5* Form5;
extern TForm6* Form6;
extern TForm7* Form7;
extern TForm8* Form8;
extern TForm9* Form9;
extern TForm10* Form10;
extern TForm11* Form11;
extern TForm12* Form12;
extern TForm13* Form13;
extern TForm14* Form14;
// The site archive's part of the archive window's file panel (a child of Form5).
extern TSiteSource* SiteSource;

namespace qtx {

// Creates the windows in their fixed order, the main window first. Returns false when the
// single-instance guard found a running copy (nothing else is created then).
bool CreateForms(bool debugArgument);

// Destroys every window, the main window last.
void DestroyForms();

} // namespace qtx
