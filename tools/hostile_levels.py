#!/usr/bin/env python3
"""Writes the hostile level files of the level fuzz corpus: levels whose counts, sizes and coordinates ask
for as much work as the tables allow. Each must load and run 60 frames in a few seconds.

    python3 tools/hostile_levels.py fuzz/corpus/level          # the corpus copies: a tenth of the counts
    python3 tools/hostile_levels.py --full /tmp/hostile         # as many records as the tables hold

The empty entities, the sticks and the pile are always written at full size: what they test is the count itself.
"""
import os
import sys

SCALE = 10  # counts are divided by this for the corpus copies


def scaled(count):
    return max(1, count // SCALE)

INT_MAX = 2147483647
INT_MIN = -2147483648


def box(lines, eid, pid, cid, x, y, size, kind, m="1.000000"):
    """An entity of four particles and six constraints; returns the next particle and constraint ids."""
    lines.append(f"Entity({m},1.000000,{eid},{kind})")
    corners = [(x, y), (x + size, y), (x + size, y + size), (x, y + size)]
    for k, (px, py) in enumerate(corners):
        lines.append(f"Particle({px},{py},{px},{py},0.000000,1.000000,{pid + k},{eid},0)")
    for k, (a, b) in enumerate([(0, 1), (1, 2), (2, 3), (3, 0), (0, 2), (1, 3)]):
        lines.append(f"Constraint({pid + a},{pid + b},1.000000,{size}.000000,{cid + k},{eid})")
    return pid + 4, cid + 6


def liquids():
    """102 aquariums, each asking for 5,000 drops of radius 1000 (one of radius 1e30)."""
    lines, pid, cid = [], 1, 1
    for k in range(102):
        pid, cid = box(lines, 2 + k, pid, cid, (k % 17) * 60, (k // 17) * 60, 50, "aquarium")
    for k in range(102):
        radius = "1e30" if k == 0 else "1000.000000"
        lines.append(f"LiquidBox(5000,{radius},{2 + k},{'fisch' if k % 3 == 0 else 'water'})")
    lines.append("Cam(0,0,0.000000)")
    return lines


def huge_shapes():
    """Quads, walls and regions a billion units wide, as many as the tables hold."""
    lines, pid, cid = [], 1, 1
    for k in range(scaled(1666)):
        kind = "quad_random" if k % 2 else "wall_red"
        lines.append(f"Entity(0.000000,1.000000,{2 + k},{kind})")
        big = 1000000000
        for n, (px, py) in enumerate([(-big, -big), (big, -big), (big, big), (-big, big)]):
            lines.append(f"Particle({px},{py},{px},{py},0.000000,0.000000,{pid + n},{2 + k},0)")
        pid += 4
    for k in range(scaled(9999)):
        lines.append(f"Region(-1000000000,-1000000000,1000000000,1000000000,{1 + k},{'red' if k % 2 else ''})")
    for k in range(scaled(3000)):
        lines.append(f"Light(green,1000000000,1000000000,{2 + k % scaled(1666)})")
    lines.append("Cam(0,0,-0.800000)")
    return lines


def portals():
    """Portals at the ends of the int range, connected in a ring, with boxes crossing them."""
    lines, pid, cid = [], 1, 1
    for k in range(scaled(400)):
        pid, cid = box(lines, 2 + k, pid, cid, -100 + (k % 20) * 10, (k // 20) * 10, 8, "box")
    ends = [INT_MAX, INT_MIN, 0]
    for k in range(scaled(9999)):
        x1 = ends[k % 3] if k % 5 else 0
        y1 = ends[(k // 3) % 3]
        x2 = ends[(k + 1) % 3] if k % 7 else 0
        y2 = INT_MAX if k % 2 else 300
        lines.append(f"Portal({x1},{y1},{x2},{y2},{1 + k},{1 + (k + 1) % scaled(9999)})")
    lines.append(f"Portal(2147483647,100,2147483647,300,10000,1)")
    lines.append("Portal(-10,-1000000,-10,1000000,10001,10002)")
    lines.append("Portal(2147483647,-2147483648,-2147483648,2147483647,10002,10001)")
    lines.append("Cam(-3000000000,0,0.000000)")
    return lines


def spaces():
    """As many half-spaces and water spaces as the lists hold, under a full particle table."""
    lines, pid, cid = [], 1, 1
    for k in range(scaled(2499)):
        pid, cid = box(lines, 2 + k, pid, cid, (k % 50) * 20, (k // 50) * 20, 10, "box")
    for k in range(scaled(9998)):
        lines.append(f"HalfSpace({k % 100},{2000 + k},1.000000,0.{k % 10}00000,)")
        lines.append(f"WaterSpace({k % 100},{-2000 - k},1.000000,0.000000,0.050000,0.000000,-0.010000,)")
    return lines


def far_corners():
    """Bodies, a camera and portals beyond the range of int, and a zoom far outside its bound."""
    lines, pid, cid = [], 1, 1
    for k, (x, y) in enumerate([(INT_MAX - 20, 0), (INT_MIN, INT_MIN), (0, INT_MAX - 20), (-1e12, 1e12)]):
        pid, cid = box(lines, 2 + k, pid, cid, int(x), int(y), 10, "box")
    lines.append("Entity(1.000000,1.000000,6,player)")
    for n, (px, py) in enumerate([(0, 0), (50, 0), (50, 50), (0, 50)]):
        lines.append(f"Particle({px},{py},{px},{py},0.000000,1.000000,{pid + n},6,0)")
    lines.append("LiquidBox(35,3.000000,2,water)")
    lines.append("Light(red,1000000000000,99999999999,2)")
    lines.append("Marker(3,0)")
    lines.append("Portal(2147483647,100,2147483647,300,1,2)")
    lines.append("Portal(-2147483648,-2147483648,2147483647,2147483647,2,1)")
    lines.append("Region(-2147483648,-2147483648,2147483647,2147483647,1,green)")
    lines.append("HalfSpace(2147483647,2147483647,1.000000,0.000000,)")
    lines.append("Cam(-3000000000,3000000000,-1e30)")
    return lines


def empty_entities():
    """9,999 entities that list no particles: they cannot touch anything, so no step may pair them."""
    lines = [f"Entity(1.000000,1.000000,{2 + k},box)" for k in range(9999)]
    lines.append("Cam(0,0,0.000000)")
    return lines


def sticks():
    """4,999 entities of two particles on one spot joined by a side, all on one spot: 12,492,501 pairs that
    may touch, far more than the pair list holds (and none that can find an axis while they stay there)."""
    lines = []
    for k in range(4999):
        lines.append(f"Entity(1.000000,1.000000,{2 + k},box)")
        lines.append(f"Particle(0,0,0,0,0.000000,1.000000,{1 + 2 * k},{2 + k},0)")
        lines.append(f"Particle(0,0,0,0,0.000000,1.000000,{2 + 2 * k},{2 + k},0)")
        lines.append(f"Constraint({1 + 2 * k},{2 + 2 * k},1.000000,0.000000,{1 + k},{2 + k})")
    lines.append("Cam(0,0,0.000000)")
    return lines


def pile():
    """The fullest pile of real bodies: as many boxes as the tables hold (1,666 of four particles and six
    constraints), all on one spot, every one overlapping every other (1,386,945 pairs)."""
    lines, pid, cid = [], 1, 1
    for k in range(9999 // 6):
        pid, cid = box(lines, 2 + k, pid, cid, 0, 0, 50, "box")
    lines.append("HalfSpace(0,100,1.000000,0.000000,)")
    lines.append("Cam(0,0,0.000000)")
    return lines


def main():
    global SCALE
    args = sys.argv[1:]
    if args and args[0] == "--full":
        SCALE = 1
        args = args[1:]
    folder = args[0] if args else "fuzz/corpus/level"
    os.makedirs(folder, exist_ok=True)
    for name, make in [("hostile_liquids", liquids), ("hostile_shapes", huge_shapes),
                       ("hostile_portals", portals), ("hostile_spaces", spaces),
                       ("hostile_far", far_corners), ("hostile_empty_entities", empty_entities),
                       ("hostile_sticks", sticks), ("hostile_pile", pile)]:
        with open(os.path.join(folder, name + ".lvl"), "w", newline="") as f:
            f.write("\r\n".join(make()) + "\r\n")


if __name__ == "__main__":
    main()
