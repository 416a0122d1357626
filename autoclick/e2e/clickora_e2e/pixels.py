"""Pixels of screenshots (PIL): colours, counts of a colour in a region, the box of dark ink."""
from PIL import Image

COLOURS = {"white": (255, 255, 255), "black": (0, 0, 0)}


def load(path):
    return Image.open(path).convert("RGB")


def colour_at(image, x, y):
    return image.getpixel((x, y))


def count_near(image, box, colour, fuzz):
    """Pixels of BOX (x, y, w, h) within FUZZ (0..1 of the colour range) of COLOUR."""
    x, y, w, h = box
    want = COLOURS.get(colour, colour)
    limit = (fuzz * 255) ** 2 * 3
    region = image.crop((x, y, x + w, y + h))
    return sum(1 for p in region.getdata()
               if sum((a - b) ** 2 for a, b in zip(p, want)) <= limit)


def ink_box(image, box, threshold=0.45):
    """(width, height) of the pixels of BOX darker than THRESHOLD (the text in it), or None."""
    x, y, w, h = box
    grey = image.crop((x, y, x + w, y + h)).convert("L")
    dark = grey.point(lambda v: 255 if v < threshold * 255 else 0)
    bounds = dark.getbbox()
    if not bounds:
        return None
    return bounds[2] - bounds[0], bounds[3] - bounds[1]


def crop_to(path, box, out):
    load(path).crop(box).save(out)
