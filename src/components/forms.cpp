#include "forms.h"

bool LoginDone = false;

Forms &forms()
{
    static Forms registry;
    return registry;
}
