// Contacts of one bike with the terrain: the tyres as tori and the other
// parts through their collision spheres, handed to ODE as contact joints in
// the world's contact group before each world step.
//
// The tyre contact is soft (stiffness and damping grow with the squash), its
// grip follows the surface's friction curve at the sliding speed and its
// rolling resistance the surface's curve at the rolling speed. Nothing that
// is not finite reaches ODE: a contact whose numbers are not finite is
// dropped. No allocation besides ODE's joints. Main thread only.
#pragma once
#include <ode/ode.h>

#include "sim/ground_query.h"

struct bike;

// Tyre contact mode: friction approximation 1 on both directions, soft ERP
// and CFM (0x3018); dContactFDir1 is added when a friction direction is set.
enum { TYRE_CONTACT_MODE = dContactApprox1_1 | dContactApprox1_2 | dContactSoftERP | dContactSoftCFM };
// The stiffness and damping of every part-sphere contact.
inline constexpr double PART_CONTACT_STIFFNESS = 2500, PART_CONTACT_DAMPING = 250;

// This step's ground contacts; true when anything touched. Sets down_flag
// when a fork body, the swing-arm or the rider touched, and crashes the rider
// who lands on his back at speed.
bool bike_ground_contacts(bike *b);
// down_flag set and the race not finished.
bool bike_is_down(const bike *b);

// 0 upright, positive leaning to the bike's left, +-pi/2 on a side; 0 for a
// chassis pointing straight up or down (no heading to lean from).
double lean_angle(const double up[3], const double forward[3]);
double bike_chassis_lean(const bike *b);
// 1, or in arcade mode 1 - 0.375 clamp(4 |lean| / pi, 0, 1).
double friction_factor(const bike *b);

// Soft contact values of a tyre at squash q = min(depth / minor radius, 1).
struct tyre_softness {
  double squash, stiffness, damping, erp, cfm;
};
tyre_softness tyre_softness_at(double depth, double minor_radius);
// ERP and CFM of a spring k and damper c at the fixed step.
void soft_erp_cfm(double k, double c, double *erp, double *cfm);

// Friction direction of a tyre contact: n x v when that is long enough,
// else n x axle; false when neither gives a direction.
bool tyre_friction_direction(const float n[3], const float v[3], const float axle[3], float fdir[3]);
// The rolling-resistance force on a wheel moving at `velocity` over ground
// with unit normal n, for the curve pair (f0, f1) mixed by the squash.
void rolling_resistance_force(const double velocity[3], const float n[3], float f0, float f1, double squash,
                              double force[3]);

// The query of one wheel's torus at its body's current pose.
bool wheel_query(const bike *b, int wheel, ground_contact *out);
