#include "contest/ole_date_time.h"
