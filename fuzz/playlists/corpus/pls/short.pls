[playlist]
File1=http://a/
File2=b.ogg
