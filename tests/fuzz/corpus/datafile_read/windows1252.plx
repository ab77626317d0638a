[Erdkunde]
5,1,01.10.2002="1,1,1,1,1,1,1,1,Erdöl – „Öl“"
[Settings]
Width=800
