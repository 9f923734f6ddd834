#include "model/error.h"

#include "training/trainer.h"
