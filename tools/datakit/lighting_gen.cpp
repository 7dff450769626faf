// The kit's "lighting": the same sun and ambient the shading was made with,
// the default sky faces named explicitly, a light haze, and one lens flare on
// the sun whose elements line up from the sun through the view's centre.
#include <cstring>

#include "datakit.h"
#include "kit_names.h"

void lighting_generate(lighting_record *out, std::vector<lens_flare_record> *flares) {
  memset(out, 0, sizeof *out);
  memcpy(out->sun_vector, KIT_SUN_VECTOR, sizeof out->sun_vector);
  memcpy(out->sun_color, KIT_SUN_COLOR, sizeof out->sun_color);
  memcpy(out->ambient, KIT_AMBIENT, sizeof out->ambient);
  memcpy(out->global_ambient, KIT_GLOBAL_AMBIENT, sizeof out->global_ambient);
  static const char *const sky[SKY_FACES] = {KIT_SKY_N, KIT_SKY_E, KIT_SKY_S, KIT_SKY_W, KIT_SKY_U};
  for (int k = 0; k < SKY_FACES; k++) out->sky[k] = sky[k];
  out->sky_env = KIT_SKY_ENV;

  // b places an element along the line from the view's centre (0) to the sun (1).
  static const flare_element_record elements[] = {
      {0, 1.0f, {1.0f, 0.95f, 0.85f}, 0.3f, KIT_FLARE_SUN_PICTURE},
      {0, 0.55f, {0.55f, 0.65f, 1.0f}, 0.06f, KIT_FLARE_RING_PICTURE},
      {0, 0.2f, {0.9f, 0.7f, 0.45f}, 0.04f, KIT_FLARE_SPOT_PICTURE},
      {0, -0.35f, {0.5f, 0.85f, 0.6f}, 0.09f, KIT_FLARE_SPOT_PICTURE},
      {0, -0.8f, {0.7f, 0.55f, 0.95f}, 0.16f, KIT_FLARE_RING_PICTURE},
  };
  lens_flare_record sun = {};
  sun.kind = FLARE_VECTOR;
  memcpy(sun.position, KIT_SUN_VECTOR, sizeof sun.position);
  sun.element_count = (int32_t)(sizeof elements / sizeof elements[0]);
  for (int k = 0; k < sun.element_count; k++) sun.elements[k] = elements[k];
  flares->assign(1, sun);
  out->flares = flares->data();
  out->flare_count = 1;

  out->fog = true;
  memcpy(out->fog_color, KIT_FOG_COLOR, sizeof out->fog_color);
  out->fog_density = KIT_FOG_DENSITY;
}
