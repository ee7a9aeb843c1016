#include "support/SimContentItems.h"

namespace SimContentItems {

std::vector<Item> standardItems() {
    const QByteArray camera =
        "camera = { camera = \"0,0,10\"; lookat = \"0,0,0\"; fov = 25; up = 0; astig = 0; };";
    return {
        {"modelinfo", "001.001",
         "{ name = \"Stage Screen\"; emissive = 1; fixed = 1; hide = 0; " + camera +
             " controls = ( { parameter = position; source = CONST; scale = \"1.0\"; "
             "vector = \"0,0,0\"; delay = 0; }, { parameter = opacity; source = DMX; "
             "scale = \"1.0\"; type = u8; address = 12; universe = 1; } ); }"},
        {"modelinfo", "002.001", "{ name = \"Truss\"; emissive = 0; fixed = 1; no_depth = 0; }"},
        {"topography", "001.001",
         "{ name = \"Back Wall\"; type = rect; position = \"0,0,0\"; size = \"4,2.25,0\"; "
         "rotate = \"0,0,0\"; sagitta = \"0,0\"; modelinfo = { emissive = 1; fixed = 1; }; }"},
        {"topography", "002.001",
         "{ name = \"Floor Disc\"; type = disc; size = \"3,3,0\"; angle = \"360,0\"; hole = "
         "\"0.2\"; vertical = 0; modelinfo = { emissive = 1; fixed = 1; }; }"},
        {"topography", "003.001",
         "{ name = \"Drum\"; type = cylinder; size = \"1,1,2\"; angle = \"270,45\"; "
         "modelinfo = { emissive = 1; fixed = 1; }; }"},
        {"topography", "004.001",
         "{ name = \"Both Models\"; type = multimodel; models = ( \"001.001\", \"002.001\" ); "
         "modelinfo = { emissive = 1; fixed = 1; }; }"},
        {"topography", "[2] 005.001",
         "{ name = \"Warped Gauze\"; type = mesh; size = \"1,1,0\"; meshsize = \"2,2\"; mesh = "
         "{ }; vertical = 1; modelinfo = { emissive = 1; fixed = 1; }; }"},
        {"vignette", "001.001",
         "{ name = \"Soft Edges\"; type = rect; left = \"0.1\"; right = \"0.1\"; top = \"0\"; "
         "bottom = \"0\"; }"},
        {"projection", "100.001",
         "{ name = \"Projector A\"; " + camera +
             " drawing = 1; keystone = 1; shutter = 0; is_mix = 1; mix_size = \"1920,1080\"; "
             "multihead = ( { name = \"Head 1\"; topo = { type = rect; vertical = 1; size = "
             "\"2,2\"; texsize = \"1920, 1080\"; texrect = \"0, 0, 1920, 1080\"; }; modelinfo = "
             "{ warp = { fivepoint = 1; }; }; } ); }"},
        {"projection", "200.001",
         "{ name = \"Projector B\"; " + camera +
             " drawing = 1; keystone = 0; shutter = 1; shut_model = \"002.001\"; is_mix = 0; }"},
    };
}

}  // namespace SimContentItems
