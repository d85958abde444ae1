// Identifiers shared by the resource script and the window code.
#pragma once

// The program's icon. The lowest numbered icon group is the one Explorer shows for the
// .exe, so it is number 1.
#define XIMING_ICON 1
