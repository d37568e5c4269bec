#include "render/renderscene.h"

glm::vec3 lightPosition(40000.0f, 40000.0f, 40000.0f);

void renderScene() {}
