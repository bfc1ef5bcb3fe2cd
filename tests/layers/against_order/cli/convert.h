// Qt headers belong to the Qt folders alone.
#include <QString>
#include <string>
