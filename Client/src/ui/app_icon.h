#pragma once

#include <QIcon>

namespace nimbral {

// The application icon, painted at run time: a blue rounded square with a white "N".
QIcon createAppIcon(int size);

} // namespace nimbral
