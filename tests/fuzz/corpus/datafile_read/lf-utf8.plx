[Bildende Kunst]
7,1,21.09.2023="3,2,5,9,7,3,1,3,"Farbkreis & Kontraste""
[Musik √]
7,1,21.09.2023="3,0,0,0,0,0,0,0,"
