#!/usr/bin/env python3
"""Writes meshes/vemopod.msh, the capsule's mesh, deployed, as the simulator stores it.

    python3 meshes/vemopod_mesh.py > meshes/vemopod.msh

The capsule stands on its base (+z up, base at z = -1). Stowed it is a squat hull 2 m
across and 1.95 m tall that fits inside its airlock box (2 m around the origin on every
axis); deployed, a drag skirt 7.5 m across opens round its waist. The groups the module's
deployment animation moves, in the mesh as stored (deployed, the animation's state 1):

  0, 1  the two fins on top, upright; at state 0 they are turned 68 deg about x at
        (0, 0, -0.45) and lie folded down over the hull's shoulder. They are symmetric about y = 0, so the
        stowed capsule is the same whichever way the simulator turns them.
  2, 3  the skirt and its ribs; at state 0 they are shrunk about the origin to 1/1000 in x
        and y and 1/10 in z, folded away inside the hull.

The frame is left-handed: each triangle is listed clockwise as seen from outside, that is
with (b - a) x (c - a) pointing out of the body.
"""
import math

SIDES = 16          # the hull, engine and skirt are 16-sided
BASE_Z = -1.0       # the base the capsule stands on (the touchdown points' height)
SHOULDER_Z = -0.6   # the hull's widest ring
TOP_Z = 0.55        # the hull's top face
BASE_R = 0.92
SHOULDER_R = 1.0
TOP_R = 0.72
SKIRT_IN_R, SKIRT_IN_Z = 0.98, -0.6     # where the skirt meets the hull
SKIRT_OUT_R, SKIRT_OUT_Z = 3.75, -0.85  # its rim: 7.5 m across
SKIRT_THICK = 0.04
NOZZLE = ((0.12, TOP_Z), (0.26, 0.95))  # the retro engine's bell on top, (radius, z)


def sub(a, b): return tuple(x - y for x, y in zip(a, b))
def cross(a, b): return (a[1]*b[2]-a[2]*b[1], a[2]*b[0]-a[0]*b[2], a[0]*b[1]-a[1]*b[0])
def dot(a, b): return sum(x * y for x, y in zip(a, b))


def unit(v):
    n = math.sqrt(dot(v, v))
    return tuple(x / n for x in v)


class Group:
    def __init__(self, label, material):
        self.label, self.material = label, material
        self.vertices, self.triangles = [], []

    def face(self, points, outward):
        """A flat convex face, its corners in order round it, facing `outward`."""
        normal = unit(cross(sub(points[1], points[0]), sub(points[2], points[0])))
        if dot(normal, outward) < 0:
            points, normal = points[::-1], tuple(-x for x in normal)
        base = len(self.vertices)
        self.vertices += [(p, normal) for p in points]
        for i in range(1, len(points) - 1):
            self.triangles.append((base, base + i, base + i + 1))

    def box(self, lo, hi, turn=0.0):
        """A box, turned by `turn` radians about z round the origin."""
        c, s = math.cos(turn), math.sin(turn)
        def at(x, y, z): return (x * c - y * s, x * s + y * c, z)
        corners = [[at(x, y, z) for x, y in ((lo[0], lo[1]), (hi[0], lo[1]),
                                              (hi[0], hi[1]), (lo[0], hi[1]))]
                   for z in (lo[2], hi[2])]
        centre = at((lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2)
        faces = [corners[0], corners[1]] + [
            [corners[0][i], corners[0][(i + 1) % 4], corners[1][(i + 1) % 4], corners[1][i]]
            for i in range(4)]
        for f in faces:
            mid = tuple(sum(p[k] for p in f) / 4 for k in range(3))
            self.face(f, sub(mid, centre))

    def lathe(self, profile, cap_bottom=False, cap_top=False, outward=1):
        """A body of revolution about z from (radius, z) pairs, bottom to top."""
        def ring(r, z): return [(r * math.cos(2 * math.pi * i / SIDES),
                                 r * math.sin(2 * math.pi * i / SIDES), z) for i in range(SIDES)]
        rings = [ring(r, z) for r, z in profile]
        for lower, upper in zip(rings, rings[1:]):
            for i in range(SIDES):
                j = (i + 1) % SIDES
                quad = [lower[i], lower[j], upper[j], upper[i]]
                mid = tuple(sum(p[k] for p in quad) / 4 for k in range(3))
                self.face(quad, (outward * mid[0], outward * mid[1], 0.0))
        if cap_bottom:
            self.face(rings[0], (0, 0, -1))
        if cap_top:
            self.face(rings[-1], (0, 0, 1))

    def write(self, out, material_index):
        out.append("LABEL " + self.label)
        out.append("MATERIAL %d" % material_index)
        out.append("TEXTURE 0")
        out.append("GEOM %d %d" % (len(self.vertices), len(self.triangles)))
        for p, n in self.vertices:
            out.append(" ".join(fmt(x) for x in p + n))
        for t in self.triangles:
            out.append("%d %d %d" % t)


def fmt(x):
    text = "%.4f" % x
    text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def skirt():
    g = Group("SKIRT", "skirt")
    # The top and bottom faces of a shallow cone, and its rim.
    for dz, sense in ((0.0, 1), (-SKIRT_THICK, -1)):
        for i in range(SIDES):
            a0, a1 = 2 * math.pi * i / SIDES, 2 * math.pi * (i + 1) / SIDES
            quad = [(SKIRT_IN_R * math.cos(a0), SKIRT_IN_R * math.sin(a0), SKIRT_IN_Z + dz),
                    (SKIRT_OUT_R * math.cos(a0), SKIRT_OUT_R * math.sin(a0), SKIRT_OUT_Z + dz),
                    (SKIRT_OUT_R * math.cos(a1), SKIRT_OUT_R * math.sin(a1), SKIRT_OUT_Z + dz),
                    (SKIRT_IN_R * math.cos(a1), SKIRT_IN_R * math.sin(a1), SKIRT_IN_Z + dz)]
            g.face(quad, (0, 0, sense))
    g.lathe([(SKIRT_OUT_R, SKIRT_OUT_Z - SKIRT_THICK), (SKIRT_OUT_R, SKIRT_OUT_Z)])
    return g


def ribs():
    g = Group("SKIRT_RIBS", "rib")
    length = SKIRT_OUT_R - SKIRT_IN_R
    slope = math.atan2(SKIRT_IN_Z - SKIRT_OUT_Z, length)
    for k in range(8):
        # A rib along the skirt's top face, made of short boxes that follow its slope.
        turn = 2 * math.pi * (k + 0.5) / 8
        steps = 2
        for s in range(steps):
            r0 = SKIRT_IN_R + length * s / steps
            r1 = SKIRT_IN_R + length * (s + 1) / steps
            z0 = SKIRT_IN_Z - (r0 - SKIRT_IN_R) * math.tan(slope)
            z1 = SKIRT_IN_Z - (r1 - SKIRT_IN_R) * math.tan(slope)
            g.box((r0, -0.04, min(z0, z1)), (r1, 0.04, max(z0, z1) + 0.06), turn)
    return g


def fin(label, sense):
    # A thin plate across y = 0, standing on the top face beside the engine.
    g = Group(label, "fin")
    inner, outer = sorted((sense * 0.3, sense * 0.62))
    g.box((inner, -0.03, 0.35), (outer, 0.03, 0.85))
    return g


def hull():
    g = Group("HULL", "hull")
    g.lathe([(BASE_R, BASE_Z), (SHOULDER_R, SHOULDER_Z), (TOP_R, TOP_Z)],
            cap_bottom=True, cap_top=True)
    return g


def window():
    g = Group("WINDOW", "glass")
    # Over the pilot's eye, on the top face: the pilot looks out along +z.
    ring = [(0.28 * math.cos(2 * math.pi * i / SIDES), 0.3 + 0.2 * math.sin(2 * math.pi * i / SIDES),
             TOP_Z + 0.005) for i in range(SIDES)]
    g.face(ring, (0, 0, 1))
    return g


def engine():
    g = Group("ENGINE", "engine")
    (r0, z0), (r1, z1) = NOZZLE
    g.lathe([(r0, z0), (r1, z1)])
    g.lathe([(r0 * 0.8, z0 + 0.02), (r1 * 0.9, z1)], outward=-1)
    return g


MATERIALS = [
    ("fin", "0.85 0.45 0.12 1", "0.4 0.4 0.4 1 10"),
    ("skirt", "0.92 0.9 0.82 1", "0.1 0.1 0.1 1 5"),
    ("rib", "0.3 0.32 0.36 1", "0.5 0.5 0.5 1 20"),
    ("hull", "0.78 0.78 0.8 1", "0.3 0.3 0.3 1 10"),
    ("glass", "0.2 0.3 0.45 1", "0.8 0.8 0.8 1 40"),
    ("engine", "0.25 0.25 0.27 1", "0.6 0.6 0.6 1 30"),
]


def main():
    groups = [fin("FIN_LEFT", -1), fin("FIN_RIGHT", 1), skirt(), ribs(), hull(), window(),
              engine()]
    names = [m[0] for m in MATERIALS]
    out = ["MSHX1", "GROUPS %d" % len(groups)]
    for g in groups:
        g.write(out, names.index(g.material) + 1)
    out.append("MATERIALS %d" % len(MATERIALS))
    out += names
    for name, diffuse, specular in MATERIALS:
        out += ["MATERIAL " + name, diffuse, diffuse, specular, "0 0 0 1"]
    out.append("TEXTURES 0")
    print("\n".join(out))


if __name__ == "__main__":
    main()
